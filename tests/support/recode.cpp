#include "support/recode.h"

#include <gtest/gtest.h>
#include <iconv.h>

namespace qmtest {

std::string recode(std::string const& text, const char* from, const char* to) {
  iconv_t cd = iconv_open(to, from);
  if (cd == iconv_t(-1)) {
    ADD_FAILURE() << "no conversion from " << from << " to " << to;
    return {};
  }
  std::string out(text.size() * 4 + 16, '\0');
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char* o = out.data();
  size_t outLeft = out.size();
  if (iconv(cd, &in, &inLeft, &o, &outLeft) == size_t(-1) ||
      iconv(cd, nullptr, nullptr, &o, &outLeft) == size_t(-1))
    ADD_FAILURE() << "text does not convert from " << from << " to " << to;
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

} // namespace qmtest
