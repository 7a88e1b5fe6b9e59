// Where the reader's bytes come from: an instance file, plain or compressed. The compression is
// recognised by the file's first bytes, never by its name: gzip (1f 8b) through zlib, xz
// (fd 37 7a 58 5a 00) through liblzma, bzip2 ("BZh" and a block-size digit) through libbz2;
// anything else is read as it is. Pipes work too: the bytes looked at are handed on, not lost.
// Data that cannot be read to its end (truncated or corrupt compressed data, an I/O error) ends
// the run with "Could not read file: <name>: <reason>", because taking it for the end of the
// instance would solve a silently shortened problem.
#ifndef QUARNEL_INPUT_INPUT_SOURCE_HH
#define QUARNEL_INPUT_INPUT_SOURCE_HH

#include <cstddef>
#include <memory>
#include <string>

class InputSource {
public:
  virtual ~InputSource() = default;
  // Fills `buf` with up to `cap` bytes of the instance text (decompressed); returns how many,
  // 0 only at the regular end.
  virtual std::size_t read(char* buf, std::size_t cap) = 0;
};

// Opens `fname` and chooses the decoder from its first bytes. A file that cannot be opened ends
// the run with "Could not open file: <name>". The name "-" stands for standard input.
std::unique_ptr<InputSource> open_input_source(const char* fname);

// Whether `fname` names standard input ("-"), which can be read only once.
bool is_standard_input(const char* fname);

#endif
