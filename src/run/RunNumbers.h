#pragma once

#include <string>

namespace zelto::run {

/// A run count as the Passes boxes show it: a leading space for values of 0 and more.
std::string passesText(long long count);

/// The number a Passes box holds: leading blanks skipped, then an optional sign and digits;
/// 0 when there are none.
long long passesValue(const std::string& text);

/// Corrects the "Run every" text in place (not a number: "30"; above 65: "65"; a whole number
/// of seconds below 1: "30") and returns the interval in whole seconds, halves to even.
int correctRunInterval(std::string& text);

}  // namespace zelto::run
