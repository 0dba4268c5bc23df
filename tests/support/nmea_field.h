#pragma once

#include <string>

namespace vindrel::test {

// Field n of an NMEA sentence, counted from 0 (the "$GPRMC" tag): 7 is an RMC's speed, 8 its
// course. Empty when the sentence has fewer fields.
inline std::string NmeaField(const std::string& sentence, int n) {
  std::size_t at = 0;
  for (int i = 0; i < n && at != std::string::npos; ++i) {
    at = sentence.find(',', at);
    if (at != std::string::npos) ++at;
  }
  if (at == std::string::npos) return {};
  return sentence.substr(at, sentence.find_first_of(",*", at) - at);
}

}  // namespace vindrel::test
