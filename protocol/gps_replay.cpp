#include "protocol/gps_replay.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "protocol/gps_simulation.h"

namespace vindrel {
namespace {

// "hhmmss.ss" and "ddmmyy" of a moment, rounded to the hundredth so that both agree.
struct Stamp {
  char time[48], date[16];
};

Stamp StampOf(double utc) {
  const long long centis = std::llround(utc * 100);
  const long long days = (centis >= 0 ? centis : centis - 8639999) / 8640000;
  const long long inDay = centis - days * 8640000;
  const std::chrono::year_month_day date{
      std::chrono::sys_days(std::chrono::days(static_cast<int>(days)))};
  Stamp s;
  std::snprintf(s.time, sizeof s.time, "%02lld%02lld%02lld.%02lld", inDay / 360000,
                inDay / 6000 % 60, inDay / 100 % 60, inDay % 100);
  std::snprintf(s.date, sizeof s.date, "%02u%02u%02d", unsigned(date.day()), unsigned(date.month()),
                int(date.year()) % 100);
  return s;
}

// "ddmm.mmmm,N" or "dddmm.mmmm,E": rounded in ten-thousandths of a minute, so that 59.99995
// minutes carries into the degree instead of reading 60.0000.
std::string Angle(double degrees, int degreeDigits, char positive, char negative) {
  const long long units = std::llround(std::fabs(degrees) * 600000);
  char text[32];
  std::snprintf(text, sizeof text, "%0*lld%02lld.%04lld,%c", degreeDigits, units / 600000,
                units % 600000 / 10000, units % 10000, degrees < 0 ? negative : positive);
  return text;
}

std::string Position(const TrackPoint& fix) {
  return Angle(fix.latitude, 2, 'N', 'S') + "," + Angle(fix.longitude, 3, 'E', 'W');
}

}  // namespace

std::string FormatFixRmc(const TrackPoint& fix, double utc) {
  const Stamp s = StampOf(utc);
  // A course that rounds to 360.00 reads 0.00, as receivers write north.
  const double course = std::fmod(fix.course.value_or(0), 360);
  char motion[48];
  std::snprintf(motion, sizeof motion, "%.2f,%.2f", fix.speed.value_or(0),
                course >= 359.995 ? 0.0 : course);
  return FinishNmeaSentence(std::string("$GPRMC,") + s.time + ",A," + Position(fix) + "," + motion +
                            "," + s.date + ",,");
}

std::string FormatFixGga(const TrackPoint& fix, double utc) {
  char altitude[32] = "";
  if (fix.altitude) std::snprintf(altitude, sizeof altitude, "%.1f,M", *fix.altitude);
  return FinishNmeaSentence(std::string("$GPGGA,") + StampOf(utc).time + "," + Position(fix) +
                            ",1,08,1.0," + (fix.altitude ? altitude : ",") + ",,,,0000");
}

void SendGpsFix(TrackerLink& link, const TrackPoint& fix, double utc) {
  WriteGpsSentence(link, FormatFixRmc(fix, utc));
  WriteGpsSentence(link, FormatFixGga(fix, utc));
}

}  // namespace vindrel
