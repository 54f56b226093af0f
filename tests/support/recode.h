// Test texts in other encodings, made with iconv (strict: a text that does not convert fails the test).
#pragma once

#include <string>

namespace qmtest {
std::string recode(std::string const& text, const char* from, const char* to);
} // namespace qmtest
