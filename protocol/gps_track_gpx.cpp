// GPX through pugixml: the reading of XML is the library's, the meaning of the elements ours.
#include <pugixml.hpp>

#include <charconv>
#include <chrono>
#include <cstring>

#include "protocol/gps_track.h"

namespace vindrel {
namespace {

// An element's name without its namespace prefix: GPX files are written both ways.
bool Named(const pugi::xml_node& node, const char* name) {
  const char* full = node.name();
  const char* colon = std::strchr(full, ':');
  return std::strcmp(colon ? colon + 1 : full, name) == 0;
}

template <typename Visit>
void Children(const pugi::xml_node& parent, const char* name, Visit visit) {
  for (const pugi::xml_node& child : parent.children()) {
    if (child.type() == pugi::node_element && Named(child, name)) visit(child);
  }
}

std::optional<double> Number(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  text = first == std::string_view::npos ? std::string_view() : text.substr(first);
  text = text.substr(0, text.find_last_not_of(" \t\r\n") + 1);
  return DecimalNumber(text);
}

// Reads count digits as a number; false when they are not all digits.
bool Digits(std::string_view& text, std::size_t count, int& value) {
  if (text.size() < count) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + count, value);
  if (error != std::errc() || end != text.data() + count) return false;
  text.remove_prefix(count);
  return true;
}

bool Skip(std::string_view& text, char c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

// An XML Schema dateTime ("2024-05-01T12:00:00.5Z", "...+02:00") as seconds since 1970 UTC.
// A time without a zone is taken as UTC, as GPX prescribes.
std::optional<double> DateTime(std::string_view text) {
  int y, mo, d, h, mi, s;
  if (!Digits(text, 4, y) || !Skip(text, '-') || !Digits(text, 2, mo) || !Skip(text, '-') ||
      !Digits(text, 2, d) || !Skip(text, 'T') || !Digits(text, 2, h) || !Skip(text, ':') ||
      !Digits(text, 2, mi) || !Skip(text, ':') || !Digits(text, 2, s)) {
    return {};
  }
  double fraction = 0;
  if (!text.empty() && text.front() == '.') {
    const std::size_t digits = std::min(text.find_first_not_of("0123456789", 1), text.size());
    fraction = Number(std::string("0") + std::string(text.substr(0, digits))).value_or(0);
    text.remove_prefix(digits);
  }
  int offset = 0;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    const int sign = text.front() == '-' ? -1 : 1;
    int oh, om;
    text.remove_prefix(1);
    if (!Digits(text, 2, oh) || !Skip(text, ':') || !Digits(text, 2, om)) return {};
    offset = sign * (oh * 3600 + om * 60);
  } else {
    Skip(text, 'Z');
  }
  const std::chrono::year_month_day date{std::chrono::year(y), std::chrono::month(unsigned(mo)),
                                         std::chrono::day(unsigned(d))};
  if (!text.empty() || !date.ok() || h > 23 || mi > 59 || s > 60) return {};
  const auto days = std::chrono::sys_days(date).time_since_epoch().count();
  return static_cast<double>(days) * 86400 + h * 3600 + mi * 60 + s + fraction - offset;
}

}  // namespace

std::optional<std::string> ReadGpxTrack(std::string_view text, Track& track) {
  pugi::xml_document document;
  const pugi::xml_parse_result parsed = document.load_buffer(text.data(), text.size());
  if (!parsed) {
    return std::string("XML error at byte ") + std::to_string(parsed.offset) + ": " +
           parsed.description();
  }
  const pugi::xml_node gpx = document.document_element();
  if (!Named(gpx, "gpx")) return "not a GPX file (no <gpx> element)";
  std::optional<std::string> problem;
  int n = 0;
  auto point = [&](const pugi::xml_node& trkpt) {
    ++n;
    if (problem) return;
    const std::string where = "track point " + std::to_string(n);
    const auto lat = Number(trkpt.attribute("lat").value());
    const auto lon = Number(trkpt.attribute("lon").value());
    std::optional<double> time, altitude;
    Children(trkpt, "time", [&](const pugi::xml_node& t) { time = DateTime(t.text().get()); });
    Children(trkpt, "ele", [&](const pugi::xml_node& e) { altitude = Number(e.text().get()); });
    if (!lat || !lon || *lat < -90 || *lat > 90 || *lon < -180 || *lon > 180) {
      problem = where + ": no latitude and longitude in degrees";
    } else if (!time) {
      problem = where + ": no time (2024-05-01T12:00:00Z), which paces the replay";
    } else if (!track.points.empty() && *time < track.points.back().time) {
      problem = where + ": earlier than the point before it";
    } else if (track.points.empty() || *time > track.points.back().time) {
      track.points.push_back({*time, *lat, *lon, altitude, {}, {}});
    }
  };
  Children(gpx, "trk", [&](const pugi::xml_node& trk) {
    Children(trk, "trkseg", [&](const pugi::xml_node& seg) { Children(seg, "trkpt", point); });
  });
  if (problem) {
    track.points.clear();  // a file with a fault replays nothing, not the part before it
    return problem;
  }
  if (track.points.empty()) return "no track points (<trkpt> with <time>)";
  return std::nullopt;
}

}  // namespace vindrel
