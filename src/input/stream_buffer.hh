// Buffered character input over an InputSource, so that plain and compressed instance files
// read alike. The current character is available at once after construction; the end of input
// is a value of its own (`StreamBuffer::eof`), distinct from every byte, so a byte 0xFF in the
// file is ordinary data. Read errors are the source's to report (see input_source.hh).
#ifndef QUARNEL_INPUT_STREAM_BUFFER_HH
#define QUARNEL_INPUT_STREAM_BUFFER_HH

#include <memory>

#include "input/input_source.hh"

// Capacity of the reader's buffer. The fuzzing build lowers it: its inputs are small, and the
// sanitizers' allocator would map and unmap a fresh megabyte for every one of them.
#ifndef QUARNEL_STREAM_BUFFER_CAPACITY
#define QUARNEL_STREAM_BUFFER_CAPACITY (1 << 20)
#endif

class StreamBuffer {
public:
  static constexpr int eof = -1;
  static constexpr int default_capacity = QUARNEL_STREAM_BUFFER_CAPACITY;

  // Reads from `in`, which must outlive the buffer.
  explicit StreamBuffer(InputSource& in) : StreamBuffer(in, default_capacity) {}
  StreamBuffer(InputSource& in, int capacity);
  virtual ~StreamBuffer();
  StreamBuffer(const StreamBuffer&) = delete;
  StreamBuffer& operator=(const StreamBuffer&) = delete;

  // The current byte as 0..255, or eof.
  int operator*() const { return pos < size ? static_cast<unsigned char>(buf[pos]) : eof; }
  void operator++() {
    if (++pos >= size) refill();
  }
  // The byte after the current one, or eof; nothing is consumed.
  int peek_next();

  // Direct access for token loops that walk the buffered bytes themselves: the current byte,
  // the end of what is buffered, and the move to a position within it (to its end refills).
  const char* cursor() const { return buf.get() + pos; }
  const char* cursor_end() const { return buf.get() + size; }
  void advance_to(const char* p) {
    pos = static_cast<int>(p - buf.get());
    if (pos >= size) refill();
  }

protected:
  InputSource& src;
  std::unique_ptr<char[]> buf;
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
  explicit SmallStreamBuffer(InputSource& in) : StreamBuffer(in, small_capacity) {}
};

#endif
