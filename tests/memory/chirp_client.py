#!/usr/bin/env python3
"""CHIRP itself writes a channel list that veloran imports, and reads veloran's export back.
Usage: chirp_client.py VELORAN FOLDER"""
import builtins
import os
import shutil
import subprocess
import sys

real_open = builtins.open
# CHIRP's CSV reader opens with Python 2's "rU", which Python 3.11 refuses.
builtins.open = lambda file, mode="r", *a, **k: real_open(file, mode.replace("U", ""), *a, **k)
from chirp import chirp_common  # noqa: E402
from chirp.drivers import generic_csv  # noqa: E402

veloran, folder = sys.argv[1], sys.argv[2]
shutil.rmtree(folder, ignore_errors=True)
os.makedirs(folder)
# Location: name, frequency, duplex, offset, tone mode, tone, DCS code, mode -> record
channels = {
    0: ("Rpt, North", 145650000, "-", 600000, "Tone", 88.5, 23, "FM", "5712A145650000B-000006000080"),
    1: ("DCS rpt", 439500000, "-", 7600000, "DTCS", 88.5, 754, "NFM", "5513A439500000B-000076008030"),
    2: ("Simplex", 146520000, "", 0, "", 88.5, 23, "FM", "0712A146520000B1465200009990"),
    10: ("", 14200000, "", 0, "", 88.5, 23, "USB", "0206A014200000B0142000009990"),
    11: ("MW", 999000, "", 0, "", 88.5, 23, "AM", "0414A000999000B0009990009990"),
}
written = generic_csv.CSVRadio(None)
written.erase_memory(0)
for number, (name, freq, duplex, offset, tmode, tone, dtcs, mode, _) in channels.items():
    mem = chirp_common.Memory(number, False)
    mem.name, mem.freq, mem.duplex, mem.offset, mem.tmode = name, freq, duplex, offset, tmode
    mem.rtone, mem.ctone, mem.dtcs, mem.mode = tone, tone, dtcs, mode
    written.set_memory(mem)
written.save(os.path.join(folder, "chirp.csv"))

def veloran_run(*args):
    done = subprocess.run([veloran, *args], cwd=folder, capture_output=True, text=True, timeout=60)
    assert done.returncode == 0, f"{args}: {done.returncode} {done.stderr}"

veloran_run("--import-channels", "chirp.csv")
lines = real_open(os.path.join(folder, "savmem.dat"), newline="").read().split("\r\n")
for number, row in channels.items():
    assert lines[15 + number] == row[-1], f"channel {number}: {lines[15 + number]}, not {row[-1]}"
veloran_run("--export-channels", "veloran.csv")
read = generic_csv.CSVRadio(os.path.join(folder, "veloran.csv"))
assert [m.number for m in read.memories if not m.empty] == list(channels), read.errors
for number, (name, freq, duplex, offset, tmode, tone, dtcs, mode, _) in channels.items():
    m = read.get_memory(number)
    got = (m.name, m.freq, m.duplex, m.offset, m.tmode, m.rtone if tmode == "Tone" else tone,
           m.dtcs if tmode == "DTCS" else dtcs, m.mode)
    assert got == (name, freq, duplex, offset, tmode, tone, dtcs, mode), f"{number}: {got}"
print("CHIRP's list imported into", len(channels), "channels and the export read back the same")
