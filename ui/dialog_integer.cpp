#include "ui/dialog_integer.h"

#include <QString>

#include <algorithm>
#include <cstdint>
#include <limits>

namespace vindrel {

namespace {

constexpr qsizetype kCharactersRead = 31;

bool IsBlank(QChar c) { return c == u' ' || c == u'\t'; }

}  // namespace

std::optional<int> ParseDialogInteger(const QString& text) {
  const QString read = text.left(kCharactersRead);
  qsizetype i = 0;
  const qsizetype end = read.size();
  while (i < end && IsBlank(read[i])) ++i;
  const QChar first = i < end ? read[i] : QChar();

  bool negative = false;
  if (i < end && (read[i] == u'+' || read[i] == u'-')) {
    negative = read[i] == u'-';
    ++i;
  }
  // Only ASCII digits: QChar::isDigit would also take other scripts' digits.
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<int>::max()} + 1;
  std::int64_t magnitude = 0;
  const qsizetype digitsBegin = i;
  while (i < end && read[i] >= u'0' && read[i] <= u'9') {
    magnitude = std::min(kLimit, magnitude * 10 + (read[i].unicode() - u'0'));
    ++i;
  }
  if (i == digitsBegin) return std::nullopt;
  if (magnitude == 0 && first != u'0') return std::nullopt;
  while (i < end && IsBlank(read[i])) ++i;
  if (i != end) return std::nullopt;

  const std::int64_t value = negative ? -magnitude : magnitude;
  if (value > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  return static_cast<int>(value);
}

}  // namespace vindrel
