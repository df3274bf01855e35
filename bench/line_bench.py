"""Line efficiency: one image over a line the device paces, against the wire floor and the
protocol floor, for ymodem-send, the minimal sender and lrzsz's sb."""
import statistics

from figures import BenchError, ms, pct, s, yes
from processes import make_image, run_minimal, run_ours, run_sb
from timing_log import line_figures, protocol_floor_ns, transfers


def median_line_run(run, repeats, baud):
    """The line figures of the median of `repeats` single transfers, and all of them."""
    figures = []
    for _ in range(repeats):
        runs = transfers(run())
        if len(runs) != 1:
            raise BenchError("expected one transfer in the log at %d baud" % baud)
        figures.append(line_figures(runs[0], baud))
    figures.sort(key=lambda f: f["measured_ns"])
    return figures[len(figures) // 2], figures


def bench_line(tools, folder, config, rows, notes):
    for baud, size, repeats in config.line_runs:
        image = make_image(folder, size, "fw%d.bin" % size)
        timeout = int(size * 12 / baud) + 30
        paced = ["--line-rate", str(baud)]
        mine, ours = median_line_run(
            lambda: run_ours(tools, folder, image, 1, paced, timeout, baud)[0], repeats, baud)
        floor = protocol_floor_ns(mine["frames"], baud)
        answered = len(mine["turnarounds"])
        excess = (mine["measured_ns"] - floor) / answered if answered else 0
        least, _ = median_line_run(
            lambda: run_minimal(tools, folder, image, 1, paced, timeout)[0], repeats, baud)
        least_excess = (least["measured_ns"] - floor) / answered if answered else 0
        theirs = None
        if tools.sb:
            theirs, ref = median_line_run(
                lambda: run_sb(tools, folder, image, 1, paced, timeout), repeats, baud)

        label = "Line %d baud, %d-byte image" % (baud, size)
        ratio = mine["wire_ns"] / mine["measured_ns"]
        if baud >= 115200:
            target = "≤ 1 ms a reply over the protocol floor"
            met = excess <= 1_000_000
            rows.append((label + ", ymodem-send: time",
                         s(mine["measured_ns"]),
                         "protocol floor %s; wire floor %s" % (s(floor), s(mine["wire_ns"])),
                         "%s over the floor a reply (%d replies); %s of the wire floor, %s "
                         "of the protocol floor; target %s"
                         % (ms(excess), answered, pct(ratio), pct(floor / mine["measured_ns"]),
                            target),
                         yes(met)))
        else:
            rows.append((label + ", ymodem-send: time",
                         s(mine["measured_ns"]),
                         "wire floor %s; protocol floor %s" % (s(mine["wire_ns"]), s(floor)),
                         "%s of the wire floor (%s of the protocol floor); target ≥ 99 %%"
                         % (pct(ratio), pct(floor / mine["measured_ns"])),
                         yes(ratio >= 0.99)))
        rows.append((label + ", minimal sender (same rules): time",
                     s(least["measured_ns"]),
                     "protocol floor %s; wire floor %s" % (s(floor), s(least["wire_ns"])),
                     "%s over the floor a reply; %s of the wire floor"
                     % (ms(least_excess), pct(least["wire_ns"] / least["measured_ns"])),
                     "reference"))
        if theirs:
            rows.append((label + ", lrzsz sb -k: time",
                         s(theirs["measured_ns"]),
                         "wire floor %s" % s(theirs["wire_ns"]),
                         "%s of the wire floor; ymodem-send takes %s as long"
                         % (pct(theirs["wire_ns"] / theirs["measured_ns"]),
                            "%.3f×" % (mine["measured_ns"] / theirs["measured_ns"])),
                         "reference"))
        late = sum(mine["device_late"])
        over = mine["measured_ns"] - floor
        notes.append(
            "- %d baud, %d bytes, median of %d run(s) each: ymodem-send sent %d bytes in %d "
            "frames (%s), the device replied %d bytes; turnarounds on the paced line: median "
            "%s, max %s. Over the protocol floor: %s in all, of which the device's own late "
            "writes %s (%d replies, median %s, max %s late on its line model) and the "
            "sender's %s, %s a reply answered. All runs: %s."
            % (baud, size, repeats, mine["bytes_sent"], len(mine["frames"]),
               frame_summary(mine["frames"]), mine["bytes_replied"],
               ms(statistics.median(mine["turnarounds"])), ms(max(mine["turnarounds"])),
               ms(over), ms(late), len(mine["device_late"]),
               ms(statistics.median(mine["device_late"])), ms(max(mine["device_late"])),
               ms(over - late), ms((over - late) / max(1, answered)),
               ", ".join(s(f["measured_ns"]) for f in ours)))
        notes.append(
            "- %d baud, %d bytes: the minimal sender's turnarounds on the paced line: median "
            "%s, max %s; the device's late writes: %s in all."
            % (baud, size, ms(statistics.median(least["turnarounds"])),
               ms(max(least["turnarounds"])), ms(sum(least["device_late"]))))
        if theirs:
            notes.append(
                "- %d baud, %d bytes: sb sent %d bytes in %d frames (%s), the device replied "
                "%d bytes; sb's turnarounds: median %s, max %s; the device's late writes: %s "
                "in all. All runs: %s."
                % (baud, size, theirs["bytes_sent"], len(theirs["frames"]),
                   frame_summary(theirs["frames"]), theirs["bytes_replied"],
                   ms(statistics.median(theirs["turnarounds"])), ms(max(theirs["turnarounds"])),
                   ms(sum(theirs["device_late"])),
                   ", ".join(s(f["measured_ns"]) for f in ref)))


def frame_summary(frames):
    counts = {}
    for size in frames:
        counts[size] = counts.get(size, 0) + 1
    return ", ".join("%d×%d B" % (n, size) for size, n in sorted(counts.items(), reverse=True))
