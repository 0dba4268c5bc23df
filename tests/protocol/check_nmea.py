"""Checks the bytes the GPS simulation put on the line with pynmea2, checksums checked.

Usage: check_nmea.py FILE SPEED:TICKS... -- FILE holds the line's bytes from consecutive runs,
each started afresh, at SPEED knots for TICKS ticks. Exit status 0 when every sentence holds.
"""
import sys

import pynmea2

RMC = "$GPRMC,092204.999,A,5200.0000,N,00500.0000,E,%d.00,%d.00,211200,,*XX\r\n"
GGA = "$GPGGA,092204.999,5200.0000,N,00500.0000,E,1,04,24.4,100.0,M,,,,0000*XX\r\n"


def main(path, runs):
    with open(path, "rb") as f:
        lines = f.read().split(b"\r\n")
    if lines.pop() != b"":
        return "the last sentence does not end with CR LF"
    ticks = [(speed, tick) for speed, count in runs for tick in range(1, count + 1)]
    if len(lines) != 2 * len(ticks):
        return "%d sentences, expected %d" % (len(lines), 2 * len(ticks))
    for i, (speed, tick) in enumerate(ticks):
        course = tick % 36 * 10
        rmc_text, gga_text = (lines[2 * i + k].decode("ascii") for k in (0, 1))
        try:
            rmc = pynmea2.parse(rmc_text, check=True)
            gga = pynmea2.parse(gga_text, check=True)
        except pynmea2.ParseError as error:
            return "tick %d: %s" % (i + 1, error)
        got = (rmc.sentence_type, rmc.spd_over_grnd, rmc.true_course, gga.sentence_type,
               gga.gps_qual, gga.altitude, gga.altitude_units, rmc_text[:-3], gga_text[:-3])
        want = ("RMC", speed, course, "GGA", 1, 100, "M", (RMC % (speed, course))[:-5], GGA[:-5])
        if got != want:
            return "tick %d: %r, expected %r" % (i + 1, got, want)
    return None


if __name__ == "__main__":
    runs = [tuple(int(n) for n in run.split(":")) for run in sys.argv[2:]]
    fault = main(sys.argv[1], runs)
    if fault:
        sys.exit("check_nmea: " + fault)
