// Segments a UTF-8 text file with the shipped master word list and writes its words line by line, separated
// by single spaces, as the hand-segmented corpus files are. White space only separates words.
//
//   segment_eval input.utf8 [words.u8] > output.utf8
#include "text/chinesetokenizer.h"
#include "text/wordhash.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: %s input.utf8 [words.u8] > output.utf8\n", argv[0]);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read '%s'\n", argv[1]);
    return 1;
  }
  const std::string wordsPath = argc == 3 ? argv[2] : QM_RESOURCES_DIR "/data/words.u8";
  const WordHash words(20, wordsPath.c_str(), true);
  if (!words.totalWords()) {
    std::fprintf(stderr, "no words in '%s'\n", wordsPath.c_str());
    return 1;
  }
  std::ostringstream whole;
  whole << in.rdbuf();
  std::string text = whole.str();
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);

  std::string out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    ChineseTokenizer tokenizer(Utf8Range(text.data() + start, end - start), words, true);
    bool first = true;
    while (tokenizer.hasTokens()) {
      const Token t = tokenizer.nextToken();
      if (!t.text || t.type == Token::Whitespace) continue;
      if (!first) out += ' ';
      out.append(t.text, t.bytes);
      first = false;
    }
    out += '\n';
    start = end + 1;
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::ferror(stdout) ? 1 : 0;
}
