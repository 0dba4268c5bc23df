"""Checks a replayed drive with pynmea2 (checksums checked) against the track, read here anew.

Usage: check_replay.py LINE TRACK STEP -- LINE holds the bytes the tracker received, TRACK the
NMEA log or GPX file replayed, STEP the track's seconds per tick (20 at --speed 10). Each tick k
must carry the track at its start + STEP x k (its end for the last tick): the log's own fix there,
or the GPX track's position along the great circle with the speed and course of its stretch
(speed 0 and the last course at a stop), positions to a metre, speeds and courses within 1 %,
times shifted to the present by STEP x k. Exit status 0 when all holds.
"""
import datetime
import math
import sys
import xml.etree.ElementTree as ET

import pynmea2

R = 6371008.8
KNOTS = 3600 / 1852


def log_fixes(path):
    fixes = {}  # datetime -> (lat, lon, speed, course, altitude)
    with open(path, "rb") as f:
        for raw in f.read().decode("ascii").splitlines():
            start = raw.rfind("$")
            try:
                s = pynmea2.parse(raw[start:], check=True) if start >= 0 else None
            except pynmea2.ParseError:
                continue
            if isinstance(s, pynmea2.types.talker.RMC) and s.status == "A":
                fixes[s.datetime] = [s.latitude, s.longitude, s.spd_over_grnd, s.true_course, None]
            elif isinstance(s, pynmea2.types.talker.GGA):
                for when, fix in fixes.items():
                    if when.time() == s.timestamp:
                        fix[4] = s.altitude
    first = min(fixes)
    return [((when - first).total_seconds(), *fix) for when, fix in sorted(fixes.items())]


def vector(lat, lon):
    lat, lon = math.radians(lat), math.radians(lon)
    return (math.cos(lat) * math.cos(lon), math.cos(lat) * math.sin(lon), math.sin(lat))


def arc(a, b):
    u, v = vector(*a), vector(*b)
    return math.acos(max(-1.0, min(1.0, sum(x * y for x, y in zip(u, v)))))


def bearing(a, b):
    (la1, lo1), (la2, lo2) = [(math.radians(x), math.radians(y)) for x, y in (a, b)]
    y = math.sin(lo2 - lo1) * math.cos(la2)
    x = math.cos(la1) * math.sin(la2) - math.sin(la1) * math.cos(la2) * math.cos(lo2 - lo1)
    return math.degrees(math.atan2(y, x)) % 360


def slerp(a, b, f):
    w = arc(a, b)
    if w < 1e-12:
        return a
    u, v = vector(*a), vector(*b)
    p = [(math.sin((1 - f) * w) * x + math.sin(f * w) * y) / math.sin(w) for x, y in zip(u, v)]
    return math.degrees(math.atan2(p[2], math.hypot(p[0], p[1]))), math.degrees(math.atan2(p[1], p[0]))


def gpx_points(path):
    ns = {"g": "http://www.topografix.com/GPX/1/1"}
    points = []
    for p in ET.parse(path).getroot().iterfind("g:trk/g:trkseg/g:trkpt", ns):
        when = datetime.datetime.fromisoformat(p.find("g:time", ns).text.replace("Z", "+00:00"))
        point = (when.timestamp(), float(p.get("lat")), float(p.get("lon")), float(p.find("g:ele", ns).text))
        if not points or point[0] > points[-1][0]:
            points.append(point)
    return [(t - points[0][0], lat, lon, ele) for t, lat, lon, ele in points]


def gpx_fix(points, t):
    course = 0.0
    for (t1, la1, lo1, e1), (t2, la2, lo2, e2) in zip(points, points[1:]):
        moved = arc((la1, lo1), (la2, lo2)) * R > 0.5
        if t < t2:
            f = (t - t1) / (t2 - t1)
            here = slerp((la1, lo1), (la2, lo2), f)
            if not moved:
                return (*here, 0.0, course, e1 + f * (e2 - e1))
            speed = arc((la1, lo1), (la2, lo2)) * R / (t2 - t1) * KNOTS
            return (*here, speed, bearing(here, (la2, lo2)), e1 + f * (e2 - e1))
        if moved:
            course = (bearing((la2, lo2), (la1, lo1)) + 180) % 360
    return (points[-1][1], points[-1][2], 0.0, course, points[-1][3])


def close(got, want, share):
    return abs(got - want) <= max(share * abs(want), 0.01)


def main(line_path, track_path, step):
    gpx = track_path.endswith(".gpx")
    track = gpx_points(track_path) if gpx else log_fixes(track_path)
    end = track[-1][0]
    with open(line_path, "rb") as f:
        lines = f.read().split(b"\r\n")
    if lines.pop() != b"":
        return "the last sentence does not end with CR LF"
    ticks = math.ceil(end / step) + 1
    if len(lines) != 2 * ticks:
        return "%d sentences, expected %d" % (len(lines), 2 * ticks)
    start = None
    for k in range(ticks):
        t = min(k * step, end)
        try:
            rmc, gga = (pynmea2.parse(lines[2 * k + i].decode("ascii"), check=True) for i in (0, 1))
        except pynmea2.ParseError as error:
            return "tick %d: %s" % (k, error)
        if gpx:
            lat, lon, speed, course, alt = gpx_fix(track, t)
        else:
            lat, lon, speed, course, alt = next(fix[1:] for fix in reversed(track) if fix[0] <= t)
        start = start or rmc.datetime - datetime.timedelta(seconds=k * step)
        dlon = (rmc.longitude - lon + 180) % 360 - 180
        dcourse = (rmc.true_course - course + 180) % 360 - 180
        got = (rmc.sentence_type, gga.sentence_type, rmc.status, gga.gps_qual, rmc.datetime - start,
               abs(rmc.latitude - lat) < 1e-5 and abs(dlon) < 1e-5, (gga.latitude, gga.longitude),
               close(rmc.spd_over_grnd, speed, 0.01), abs(dcourse) <= max(course * 0.01, 0.01),
               gga.altitude is not None and abs(gga.altitude - alt) < 0.051, gga.timestamp)
        want = ("RMC", "GGA", "A", 1, datetime.timedelta(seconds=k * step), True,
                (rmc.latitude, rmc.longitude), True, True, True, rmc.timestamp)
        if got != want:
            return "tick %d at %g s: %r, expected %r; track %r" % (
                k, t, got, want, (lat, lon, speed, course, alt))
    now = datetime.datetime.now(datetime.timezone.utc).replace(tzinfo=None)
    if abs((start - now).total_seconds()) > 600:
        return "the replay's times start at %s, not now (%s)" % (start, now)
    return None


if __name__ == "__main__":
    fault = main(sys.argv[1], sys.argv[2], float(sys.argv[3]))
    if fault:
        sys.exit("check_replay: " + fault)
