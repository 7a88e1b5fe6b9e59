// The stream buffer reads the input in large blocks and lets the token functions walk each
// block in place, one character at a time.
#include "input/stream_buffer.hh"

// At least two bytes, so that peek_next can hold the current byte and the next.
StreamBuffer::StreamBuffer(InputSource& in, int cap)
    : src(in), buf(new char[cap < 2 ? 2 : cap]), capacity(cap < 2 ? 2 : cap) {
  refill();
}

StreamBuffer::~StreamBuffer() = default;

void StreamBuffer::refill() {
  pos = 0;
  size = static_cast<int>(src.read(buf.get(), static_cast<std::size_t>(capacity)));
}

int StreamBuffer::peek_next() {
  if (pos >= size) return eof;
  if (pos + 1 >= size) {
    // Keep the current byte at the front and read on behind it.
    buf[0] = buf[pos];
    pos = 0;
    size = 1 + static_cast<int>(src.read(buf.get() + 1, static_cast<std::size_t>(capacity - 1)));
    if (size == 1) return eof;
  }
  return static_cast<unsigned char>(buf[pos + 1]);
}
