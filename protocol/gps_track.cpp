#include "protocol/gps_track.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <locale>
#include <numbers>
#include <sstream>

#include "settings/file_path.h"

namespace vindrel {
namespace {

constexpr double kEarthRadius = 6371008.8;  // metres, the mean radius
constexpr double kMetresPerSecondToKnots = 3600.0 / 1852.0;
constexpr double kDay = 86400;
constexpr double kSameTime = 0.001;  // seconds: an RMC and a GGA of one fix
constexpr double kStill = 0.5;       // metres between points that count as no movement
constexpr double kDegree = std::numbers::pi / 180;

std::vector<std::string_view> SplitFields(std::string_view body) {
  std::vector<std::string_view> fields;
  for (std::size_t begin = 0;;) {
    const std::size_t comma = body.find(',', begin);
    fields.push_back(body.substr(begin, comma - begin));
    if (comma == std::string_view::npos) return fields;
    begin = comma + 1;
  }
}

// "hhmmss.ss" as seconds of the day.
std::optional<double> TimeOfDay(std::string_view text) {
  const auto h = DecimalNumber(text.substr(0, 2)), m = DecimalNumber(text.substr(2, 2));
  const auto s = DecimalNumber(text.substr(std::min<std::size_t>(4, text.size())));
  if (text.size() < 6 || !h || !m || !s || *h > 23 || *m > 59 || *s >= 61) return {};
  return *h * 3600 + *m * 60 + *s;
}

// "ddmm.mmmm" (degreeDigits 2) or "dddmm.mmmm" (3) with its hemisphere, in signed degrees.
std::optional<double> Angle(std::string_view text, std::string_view hemisphere, int degreeDigits,
                            char negative, char positive) {
  const std::size_t d = static_cast<std::size_t>(degreeDigits);
  if (text.size() <= d || hemisphere.size() != 1) return {};
  const auto degrees = DecimalNumber(text.substr(0, d)), minutes = DecimalNumber(text.substr(d));
  if (!degrees || !minutes || *minutes >= 60 || *degrees > (d == 2 ? 90 : 180)) return {};
  const double value = *degrees + *minutes / 60;
  if (hemisphere[0] == positive) return value;
  if (hemisphere[0] == negative) return -value;
  return {};
}

// The sentence body between "$" and "*" when its checksum holds.
std::optional<std::string_view> CheckedBody(std::string_view sentence) {
  while (!sentence.empty() && (sentence.back() == ' ' || sentence.back() == '\t')) {
    sentence.remove_suffix(1);
  }
  const std::size_t star = sentence.rfind('*');
  if (star == std::string_view::npos || star + 3 != sentence.size()) return {};
  unsigned given = 0;
  const auto [end, error] =
      std::from_chars(sentence.data() + star + 1, sentence.data() + star + 3, given, 16);
  const std::string_view body = sentence.substr(1, star - 1);
  if (error != std::errc() || end != sentence.data() + star + 3 || given != NmeaChecksum(body)) {
    return {};
  }
  return body;
}

// Adds what one checked sentence tells to the track; dayStart moves on at midnight.
void TakeSentence(std::string_view body, Track& track, double& dayStart) {
  const std::vector<std::string_view> f = SplitFields(body);
  const std::string_view type = f[0].size() == 5 ? f[0].substr(2) : std::string_view();
  const bool rmc = type == "RMC" && f.size() >= 10 && f[2] == "A";
  const bool gga = type == "GGA" && f.size() >= 10 && !f[6].empty() && f[6] != "0";
  if (!rmc && !gga) return;
  const std::optional<double> tod = TimeOfDay(f[1]);
  const int at = rmc ? 3 : 2;
  const auto lat = Angle(f[at], f[at + 1], 2, 'S', 'N');
  const auto lon = Angle(f[at + 2], f[at + 3], 3, 'W', 'E');
  if (!tod || !lat || !lon) return;
  std::vector<TrackPoint>& points = track.points;
  double time = dayStart + *tod;
  if (!points.empty() && time < points.back().time - kDay / 2) {
    dayStart += kDay;
    time += kDay;
  }
  if (points.empty() || time > points.back().time + kSameTime) {
    points.push_back({time, *lat, *lon, {}, {}, {}});
  } else if (time < points.back().time - kSameTime) {
    return;  // out of order: a receiver's clock does not run back
  }
  TrackPoint& p = points.back();
  if (rmc) {
    p.latitude = *lat;
    p.longitude = *lon;
    p.speed = DecimalNumber(f[7]);
    p.course = DecimalNumber(f[8]);
    if (!p.course && points.size() > 1) p.course = points[points.size() - 2].course;
  } else if (const auto altitude = DecimalNumber(f[9])) {
    p.altitude = altitude;
  }
}

struct Vector {
  double x, y, z;
};

Vector ToVector(const TrackPoint& p) {
  const double lat = p.latitude * kDegree, lon = p.longitude * kDegree;
  return {std::cos(lat) * std::cos(lon), std::cos(lat) * std::sin(lon), std::sin(lat)};
}

// The angle at the earth's centre between two points, in radians.
double Arc(const TrackPoint& a, const TrackPoint& b) {
  const Vector u = ToVector(a), v = ToVector(b);
  const double cross =
      std::hypot(u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x);
  return std::atan2(cross, u.x * v.x + u.y * v.y + u.z * v.z);
}

// The initial course from a to b along the great circle, degrees 0 to 360.
double Bearing(const TrackPoint& a, const TrackPoint& b) {
  const double lat1 = a.latitude * kDegree, lat2 = b.latitude * kDegree;
  const double dlon = (b.longitude - a.longitude) * kDegree;
  const double y = std::sin(dlon) * std::cos(lat2);
  const double x =
      std::cos(lat1) * std::sin(lat2) - std::sin(lat1) * std::cos(lat2) * std::cos(dlon);
  const double degrees = std::atan2(y, x) / kDegree;
  return degrees < 0 ? degrees + 360 : degrees;
}

// The point a fraction f of the way from a to b along the great circle.
TrackPoint Between(const TrackPoint& a, const TrackPoint& b, double f) {
  const double arc = Arc(a, b);
  const Vector u = ToVector(a), v = ToVector(b);
  const double wa = arc > 1e-12 ? std::sin((1 - f) * arc) / std::sin(arc) : 1 - f;
  const double wb = arc > 1e-12 ? std::sin(f * arc) / std::sin(arc) : f;
  const Vector p{wa * u.x + wb * v.x, wa * u.y + wb * v.y, wa * u.z + wb * v.z};
  TrackPoint point;
  point.latitude = std::atan2(p.z, std::hypot(p.x, p.y)) / kDegree;
  point.longitude = std::atan2(p.y, p.x) / kDegree;
  return point;
}

// The course on arrival at point i, from the last stretch before it that moved; 0 when none did.
double LastCourse(const std::vector<TrackPoint>& points, std::size_t i) {
  for (; i > 0; --i) {
    if (Arc(points[i - 1], points[i]) * kEarthRadius > kStill) {
      return std::fmod(Bearing(points[i], points[i - 1]) + 180, 360);
    }
  }
  return 0;
}

}  // namespace

std::optional<double> DecimalNumber(std::string_view text) {
  // A stream in the classic locale, not strtod (the Qt front end runs in the user's locale, where
  // the point may be a comma), nor from_chars, which some of our standard libraries lack for
  // doubles.
  if (text.empty() || text.front() == '+' || std::isspace(static_cast<unsigned char>(text.front())))
    return {};
  std::istringstream in{std::string(text)};
  in.imbue(std::locale::classic());
  double value = 0;
  in >> value;
  if (in.fail() || in.peek() != std::char_traits<char>::eof()) return {};
  return value;
}

unsigned char NmeaChecksum(std::string_view body) {
  unsigned char sum = 0;
  for (const char c : body) sum ^= static_cast<unsigned char>(c);
  return sum;
}

std::optional<std::string> ReadNmeaLog(std::string_view text, Track& track) {
  double dayStart = 0;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    // Noise before a sentence (a cut one, a logger's time stamp) ends at its "$".
    const std::size_t dollar = line.rfind('$');
    if (dollar == std::string_view::npos) continue;
    if (const auto body = CheckedBody(line.substr(dollar))) {
      TakeSentence(*body, track, dayStart);
    } else {
      ++track.badChecksums;
    }
  }
  if (track.points.empty()) return "no position fix (RMC with status A, or GGA with a fix)";
  return std::nullopt;
}

std::optional<std::string> ReadTrackFile(const std::string& path, Track& track) {
  std::ifstream in(FilePath(path), std::ios::binary);
  if (!in) return path + ": cannot be read";
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  const std::size_t first = text.find_first_not_of(" \t\r\n\xEF\xBB\xBF");
  const bool xml = first != std::string::npos && text[first] == '<';
  if (auto problem = xml ? ReadGpxTrack(text, track) : ReadNmeaLog(text, track)) {
    return path + ": " + *problem;
  }
  return std::nullopt;
}

TrackPoint TrackPositionAt(const Track& track, double time) {
  const std::vector<TrackPoint>& points = track.points;
  const auto next = std::upper_bound(points.begin(), points.end(), time,
                                     [](double t, const TrackPoint& p) { return t < p.time; });
  if (next == points.begin()) return points.front();
  const std::size_t i = static_cast<std::size_t>(next - points.begin()) - 1;
  const TrackPoint& a = points[i];
  if (next == points.end()) {
    TrackPoint end = a;
    end.speed = a.speed.value_or(0);
    end.course = a.course ? a.course : LastCourse(points, i);
    return end;
  }
  const TrackPoint& b = *next;
  const double f = (time - a.time) / (b.time - a.time);
  TrackPoint p = Between(a, b, f);
  p.time = time;
  if (a.altitude && b.altitude) {
    p.altitude = *a.altitude + f * (*b.altitude - *a.altitude);
  } else {
    p.altitude = a.altitude ? a.altitude : b.altitude;
  }
  const double metres = Arc(a, b) * kEarthRadius;
  if (a.speed) {
    p.speed = a.speed;
    p.course = a.course;
  } else if (metres > kStill) {
    p.speed = metres / (b.time - a.time) * kMetresPerSecondToKnots;
    p.course = Bearing(p, b);
  } else {
    p.speed = 0;
    p.course = LastCourse(points, i);
  }
  return p;
}

}  // namespace vindrel
