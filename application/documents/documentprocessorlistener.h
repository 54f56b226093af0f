// What a DocumentProcessor feeds: every token of a document in file order, framed by the start and the end
// of a run. beginProcessing runs on the thread that starts the run; processToken and processingFinished run
// on the processing thread.
#pragma once

#include "openssl/sha1.h"
#include "text/token.h"

class DocumentProcessorListener {
public:
  virtual ~DocumentProcessorListener() = default;
  // Once before the first token of a run.
  virtual void beginProcessing() = 0;
  // Each token, with the byte offset of its first byte in the file.
  virtual void processToken(Token const& token, unsigned long offset) = 0;
  // Once at the end of a run that was not cancelled. error: the run stopped on an error, and the counts are
  // those reached. sha1 digests the bytes of every token passed to processToken.
  virtual void processingFinished(float seconds, bool error, unsigned long maxLine, unsigned long bytes,
                                  OpenSSL::SHA1 const& sha1) = 0;
};
