// A drain posted before stop() may still arrive: the running flag turns it away. Destroying the pump removes
// its posted events with it.
#include "desktop-ui/messagepump.h"

#include "utils/exception.h"
#include "utils/log.h"

#include <exception>

MessagePump::MessagePump(QObject* parent) : QObject(parent) {}

MessagePump::~MessagePump() {
  stop();
}

void MessagePump::start() {
  m_running = true;
  MessageCenter::instance().setListener(this);
}

void MessagePump::stop() {
  if (!m_running) return;
  m_running = false;
  MessageCenter::instance().setListener(nullptr);
}

void MessagePump::messagesWaiting() {
  QMetaObject::invokeMethod(this, &MessagePump::drain, Qt::QueuedConnection);
}

void MessagePump::drain() {
  if (!m_running) return;
  try {
    MessageCenter::instance().processMessages();
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("ERR", "Error draining queued calls: ", e);
  } catch (std::exception const& e) {
    Log::print("ERR", "Exception draining queued calls: %s\n", e.what());
  }
}
