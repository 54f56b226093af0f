#include "views/messagebox.h"

#include "utils/log.h"

namespace {
MessageBox::Presenter* current = nullptr;

// Formatted apart first, so that what does not fit is cut at a character boundary.
template <size_t N> void appendCut(TextBuffer<N>& to, const char* format, va_list args) {
  TextBuffer<0> formatted;
  formatted.appendFormatV(format, args);
  char cut[N + 1];
  Span(formatted.c_str(), formatted.length()).copyTo(cut, N + 1 - to.length());
  to.append(cut);
}
} // namespace

struct MessageBox::Impl {
  int kind;
  Type type;
  TextBuffer<256> message;
  TextBuffer<1024> information;
};

void MessageBox::setPresenter(Presenter* presenter) {
  current = presenter;
}

MessageBox::Presenter* MessageBox::presenter() {
  return current;
}

MessageBox::MessageBox(int kind, Type type) : impl(std::make_unique<Impl>()) {
  impl->kind = kind;
  impl->type = type;
}

MessageBox::~MessageBox() = default;

void MessageBox::setMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  appendCut(impl->message, format, args);
  va_end(args);
}

void MessageBox::setInformation(const char* format, ...) {
  va_list args;
  va_start(args, format);
  impl->information.clear();
  appendCut(impl->information, format, args);
  va_end(args);
}

int MessageBox::kind() const {
  return impl->kind;
}

MessageBox::Type MessageBox::type() const {
  return impl->type;
}

const char* MessageBox::message() const {
  return impl->message.c_str();
}

const char* MessageBox::information() const {
  return impl->information.c_str();
}

int MessageBox::show(void*) {
  if (current) return current->present(*this);
  Log::print("WARN", "Message box with no one to show it: %s - %s\n", message(), information());
  return impl->type == Question ? No : OkPressed;
}
