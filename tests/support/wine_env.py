#!/usr/bin/env python3
"""The Python side of scripts/wine-env.sh: the same wine prefix, code page and services for
the Python checks and benchmarks, and the one place that maps a COM port to a device.

    wine_env.py map COMn DEVICE    the link that makes \\\\.\\COMn that device
    wine_env.py clear              no COM port mapped
"""
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def use(build, prefix="wine", log=None):
    """Sets this process's environment up as scripts/wine-env.sh does (once; a process
    started by a check that has already done it keeps the check's), with the null
    graphics driver and wine's services started apart."""
    if os.environ.get("WINEPREFIX"):
        return
    log = log or os.path.join(build, "wine.log")
    script = ('source "$1/scripts/wine-env.sh" && wine_env "$2" "$3" "$4" null && '
              'wine_start_services && env -0')
    result = subprocess.run(["bash", "-c", script, "wine_env", ROOT, build, prefix, log],
                            stdout=subprocess.PIPE, check=True)
    for entry in result.stdout.split(b"\0"):
        name, _, value = entry.decode().partition("=")
        if name in ("LOCPATH", "WINEPREFIX", "WINEDEBUG", "WINEDLLOVERRIDES"):
            os.environ[name] = value
    os.environ["LC_ALL"] = "zh_CN.UTF-8"  # the code page of the programs wine runs


def dosdevices(prefix=None):
    return os.path.join(prefix or os.environ["WINEPREFIX"], "dosdevices")


def map_com(name, device, prefix=None):
    """Makes \\\\.\\COMn open the device (a pseudo-terminal) in the prefix (default: this
    environment's); replaces any earlier mapping at once, so that a program opening the port
    never finds it missing."""
    link = os.path.join(dosdevices(prefix), name.lower())
    fresh = link + ".new"
    if os.path.lexists(fresh):
        os.remove(fresh)
    os.symlink(device, fresh)
    os.replace(fresh, link)


def unmap_com(name):
    link = os.path.join(dosdevices(), name.lower())
    if os.path.lexists(link):
        os.remove(link)


def clear_ports():
    for entry in os.listdir(dosdevices()):
        if entry.startswith("com"):
            os.remove(os.path.join(dosdevices(), entry))


def windows_path(path):
    """The path wine's Z: drive gives a Linux path."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


if __name__ == "__main__":
    if sys.argv[1:2] == ["map"] and len(sys.argv) == 4:
        map_com(sys.argv[2], sys.argv[3])
    elif sys.argv[1:] == ["clear"]:
        clear_ports()
    else:
        sys.exit(__doc__)
