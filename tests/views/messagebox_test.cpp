#include "views/messagebox.h"

#include <gtest/gtest.h>

#include <string>

namespace {
struct Answering : MessageBox::Presenter {
  int answer = MessageBox::Yes;
  std::string shown;
  int present(MessageBox const& box) override {
    shown = std::string(box.message()) + "|" + box.information();
    return answer;
  }
};
} // namespace

TEST(MessageBoxTest, TextsAreCutAtACharacterBoundaryAndMessagesAppend) {
  std::string chinese;
  for (int i = 0; i < 100; ++i)
    chinese += "字"; // 300 bytes: the cut at 256 falls inside a character
  MessageBox box(2, MessageBox::Ok);
  box.setMessage("%s", "ab");
  box.setMessage("%s", chinese.c_str());
  EXPECT_EQ(std::string(box.message()), "ab" + chinese.substr(0, 252)); // 84 whole characters
  box.setInformation("%s", std::string(2000, 'x').c_str());
  box.setInformation("%s %d", "second", 2);
  EXPECT_STREQ(box.information(), "second 2");
  box.setMessage("%s", "%n%s"); // user text as an argument is shown as it stands
  EXPECT_EQ(std::string(box.message()), "ab" + chinese.substr(0, 252) + "%n");
}

TEST(MessageBoxTest, WithoutAPresenterAQuestionIsNeverConsent) {
  MessageBox::setPresenter(nullptr);
  EXPECT_EQ(MessageBox(0, MessageBox::Question).show(), MessageBox::No);
  EXPECT_EQ(MessageBox(0, MessageBox::Ok).show(), MessageBox::OkPressed);
  Answering presenter;
  MessageBox::setPresenter(&presenter);
  MessageBox box(2, MessageBox::Question);
  box.setMessage("New version");
  box.setInformation("Version %s is now available.", "1.2");
  EXPECT_EQ(box.show(), MessageBox::Yes);
  EXPECT_EQ(presenter.shown, "New version|Version 1.2 is now available.");
  MessageBox::setPresenter(nullptr);
}
