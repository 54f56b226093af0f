// One feedback message as the reader wrote it (UTF-8), moved into the FeedbackSender.
#pragma once

#include "utils/text.h"

struct FeedbackData {
  Text name;
  Text email;
  Text message;
  bool attachLog = false;
};
