// The spelled forms of an amount: FormatSum's text (base/amount.h) with another decimal
// separator, thousands grouped, the zeros that end the kopecks dropped or a word after it. Every
// form other than FormatSum's own is made here, from a small spec, never by editing its text.
#pragma once

#include <string>
#include <string_view>

#include "base/amount.h"

namespace brisolt {

struct TSumFormat {
  char DecimalSeparator = '.';
  std::string_view Grouping = {};  // between groups of three digits of the roubles; empty: none
  bool TrimZeros = false;          // "12.50" as "12.5", "12.00" as "12"
  std::string_view Suffix = {};    // after the figure, in the caller's encoding
};

// Appends the amount rounded as FormatSum rounds it, spelled as `format` says.
void AppendSum(std::string& out, TAmount amount, const TSumFormat& format);

inline std::string FormatSum(TAmount amount, const TSumFormat& format) {
  std::string text;
  AppendSum(text, amount, format);
  return text;
}

}  // namespace brisolt
