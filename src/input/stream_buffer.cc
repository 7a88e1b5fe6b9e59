// The stream buffer reads the file in large blocks and lets the token functions walk each block
// in place, one character at a time. When zlib has no more data, the buffer asks it why: at the
// regular end of the file the stream ends; a truncated or corrupt gzip stream, or a file that
// cannot be read at all, ends the run with a message, because taking it for the end of the
// instance would solve a silently shortened problem.
#include "input/stream_buffer.hh"

#include "input/parse_errors.hh"

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
  if (size > 0) return;
  size = 0;
  int err = Z_OK;
  const char* msg = gzerror(gzin, &err);
  if (err != Z_OK) read_error(msg);
}
