// What the export commands run: something that writes a document's content to a stream.
#pragma once

class OutputStream;

class Exporter {
public:
  virtual ~Exporter() = default;
  // True when everything was written; false when a write came up short or the source could not be read
  // (logged), so the caller can tell the reader.
  virtual bool exportData(OutputStream& out) = 0;
};
