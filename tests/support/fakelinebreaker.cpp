#include "support/fakelinebreaker.h"

#include <algorithm>
#include <cmath>

namespace qmtest {
namespace {

bool isLow(uint16_t unit) {
  return (unit & 0xfc00) == 0xdc00;
}

class FakeLine : public LineBreaker::TypesetLine {
public:
  FakeLine(const uint16_t* text, size_t from, size_t length) : text(text), from(from), length(length) {}
  double ascent() const override { return FakeLineBreaker::ASCENT; }
  double descent() const override { return FakeLineBreaker::DESCENT; }
  double leading() const override { return 0; }
  double positionOfIndex(size_t index) const override {
    size_t characters = 0;
    for (size_t i = from; i < index && i < from + length; ++i)
      characters += isLow(text[i]) ? 0 : 1;
    return double(characters) * FakeLineBreaker::ADVANCE;
  }
  size_t indexAtPosition(double x, bool boundary) const override {
    const double slots = x / FakeLineBreaker::ADVANCE;
    const double wanted = boundary ? std::round(slots) : std::floor(slots);
    size_t index = from;
    for (double c = 0; c < wanted && index < from + length; ++c)
      index += index + 1 < from + length && isLow(text[index + 1]) ? 2 : 1;
    if (!boundary && index >= from + length && length > 0)
      index = isLow(text[from + length - 1]) ? from + length - 2 : from + length - 1;
    return index;
  }

private:
  const uint16_t* text;
  size_t from;
  size_t length;
};

class FakeTypesetter : public LineBreaker::Typesetter {
public:
  FakeTypesetter(const uint16_t* text, size_t length) : text(text), length(length) {}
  size_t suggestLineBreak(size_t from, double width) override {
    size_t at = from;
    for (double used = FakeLineBreaker::ADVANCE; used <= width && at < length;
         used += FakeLineBreaker::ADVANCE)
      at += at + 1 < length && isLow(text[at + 1]) ? 2 : 1;
    return at - from;
  }
  std::shared_ptr<LineBreaker::TypesetLine> createLine(size_t from, size_t n) override {
    return std::make_shared<FakeLine>(text, from, n);
  }

private:
  const uint16_t* text;
  size_t length;
};

} // namespace

std::unique_ptr<LineBreaker::Typesetter> FakeLineBreaker::typeset(const uint16_t* text, size_t length) {
  chunks.push_back(length);
  return std::make_unique<FakeTypesetter>(text, length);
}

} // namespace qmtest
