#include "utils/mutex.h"

Mutex::Mutex() {
  pthread_mutex_init(&m_mutex, nullptr);
}

Mutex::~Mutex() {
  pthread_mutex_destroy(&m_mutex);
}

void Mutex::lock() {
  pthread_mutex_lock(&m_mutex);
}

void Mutex::unlock() {
  pthread_mutex_unlock(&m_mutex);
}
