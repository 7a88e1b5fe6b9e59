// Buffered character input over a zlib file handle, so that gzip-compressed and plain instance
// files read alike. The current character is available at once after construction; the end of
// input is a value of its own (`StreamBuffer::eof`), distinct from every byte, so a byte 0xFF in
// the file is ordinary data. Data that cannot be read (truncated or corrupt gzip, an I/O error)
// ends the run with "Could not read file: ..." instead of passing for the end of input.
#ifndef QUARNEL_INPUT_STREAM_BUFFER_HH
#define QUARNEL_INPUT_STREAM_BUFFER_HH

#include <zlib.h>

class StreamBuffer {
public:
  static constexpr int eof = -1;
  static constexpr int default_capacity = 1 << 20;

  // Neither opens nor closes `in`: the reader that made the handle does both.
  explicit StreamBuffer(gzFile in) : StreamBuffer(in, default_capacity) {}
  virtual ~StreamBuffer();
  StreamBuffer(const StreamBuffer&) = delete;
  StreamBuffer& operator=(const StreamBuffer&) = delete;

  // The current byte as 0..255, or eof.
  int operator*() const { return pos < size ? static_cast<unsigned char>(buf[pos]) : eof; }
  void operator++() {
    if (++pos >= size) refill();
  }

protected:
  StreamBuffer(gzFile in, int capacity);
  virtual void resize_buffer();

  gzFile gzin;
  char* buf = nullptr;
  int capacity;
  int pos = 0;
  int size = 0;

private:
  void refill();
};

// The same over a 1 KiB buffer, for the short first pass that only looks for the format line.
class SmallStreamBuffer : public StreamBuffer {
public:
  static constexpr int small_capacity = 1024;
  explicit SmallStreamBuffer(gzFile in) : StreamBuffer(in, small_capacity) {}
};

#endif
