"""Figures as the report gives them: the benchmarks' error, percentiles and units."""
import math
import statistics

NS_PER_S = 1_000_000_000


class BenchError(Exception):
    pass


def percentile(samples, p):
    """Nearest rank: the smallest sample with at least p percent of all at or below it."""
    ordered = sorted(samples)
    return ordered[max(0, math.ceil(p / 100 * len(ordered)) - 1)]


def ms(ns, digits=3):
    return "%.*f ms" % (digits, ns / 1e6)


def s(ns):
    return "%.3f s" % (ns / NS_PER_S)


def pct(x):
    return "%.2f %%" % (100 * x)


def yes(ok):
    return "yes" if ok else "**no**"


def spread(samples):
    return "median %s, 99th percentile %s, max %s" % (
        ms(statistics.median(samples)), ms(percentile(samples, 99)), ms(max(samples)))
