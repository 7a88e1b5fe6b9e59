// The stream buffer reads the file in large blocks and lets the token functions walk each block
// in place, one character at a time. A read error is not reported: the stream just ends, as it
// does at the end of the file.
#include "input/stream_buffer.hh"

StreamBuffer::StreamBuffer(gzFile in, int cap) : gzin(in), capacity(cap) {
  resize_buffer();
  refill();
}

StreamBuffer::~StreamBuffer() { delete[] buf; }

void StreamBuffer::resize_buffer() {
  delete[] buf;
  buf = new char[capacity];
}

void StreamBuffer::refill() {
  pos = 0;
  size = gzread(gzin, buf, static_cast<unsigned>(capacity));
  if (size < 0) size = 0;
}
