// Reading instance files through the decompression libraries. A RawFile reads the descriptor
// and first serves the few bytes that were read to recognise the format, so that a pipe needs
// no second opening. The plain source hands the file's bytes straight to the caller's buffer;
// each decoder keeps one input block and lets its library write into the caller's buffer.
//
// gzip follows what zlib's own file functions do: members of a concatenated file are read one
// after the other, and bytes after the last member that do not start another one are ignored.
// xz streams may be concatenated too (liblzma's rules). bzip2 streams likewise; bytes after the
// last stream that do not start another one are ignored, as the bzip2 tool does.
#include "input/input_source.hh"

#include <bzlib.h>
#include <fcntl.h>
#include <lzma.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "util/runtime_msgs.hh"
#include "input/parse_errors.hh"

namespace {

constexpr std::size_t magic_size = 6;

#ifndef QUARNEL_DECODER_BLOCK
#define QUARNEL_DECODER_BLOCK (1 << 16)
#endif
constexpr std::size_t decoder_block = QUARNEL_DECODER_BLOCK;

class RawFile {
public:
  RawFile(int fd, std::string name) : fd(fd), name(std::move(name)) {
    while (head_size < magic_size) {
      std::size_t got = read_fd(head + head_size, magic_size - head_size);
      if (got == 0) break;
      head_size += got;
    }
  }
  ~RawFile() { close(fd); }
  RawFile(const RawFile&) = delete;
  RawFile& operator=(const RawFile&) = delete;

  const unsigned char* first_bytes() const { return reinterpret_cast<const unsigned char*>(head); }
  std::size_t first_size() const { return head_size; }

  std::size_t read(char* buf, std::size_t cap) {
    if (head_pos < head_size) {
      std::size_t n = std::min(cap, head_size - head_pos);
      std::memcpy(buf, head + head_pos, n);
      head_pos += n;
      return n;
    }
    return read_fd(buf, cap);
  }

  [[noreturn]] void fail(const char* reason) const { read_error((name + ": " + reason).c_str()); }

private:
  std::size_t read_fd(char* buf, std::size_t cap) {
    for (;;) {
      ssize_t n = ::read(fd, buf, cap);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno != EINTR) fail(std::strerror(errno));
    }
  }

  int fd;
  std::string name;
  char head[magic_size];
  std::size_t head_size = 0;
  std::size_t head_pos = 0;
};

class PlainSource : public InputSource {
public:
  explicit PlainSource(std::unique_ptr<RawFile> f) : file(std::move(f)) {}
  std::size_t read(char* buf, std::size_t cap) override { return file->read(buf, cap); }

private:
  std::unique_ptr<RawFile> file;
};

// What the decoders share: the file and one block of compressed input.
class DecoderBase : public InputSource {
protected:
  explicit DecoderBase(std::unique_ptr<RawFile> f) : file(std::move(f)), in(new char[decoder_block]) {}
  // Refills the input block when the library's stream has used it up; returns false at the end
  // of the file. `next_in` and `avail_in` are the stream's own fields, whose types each library
  // chooses.
  template <class Byte, class Count> bool refill(Byte*& next_in, Count& avail_in) {
    if (avail_in > 0) return true;
    const std::size_t got = file->read(in.get(), decoder_block);
    next_in = reinterpret_cast<Byte*>(in.get());
    avail_in = static_cast<Count>(got);
    return got > 0;
  }
  std::unique_ptr<RawFile> file;
  std::unique_ptr<char[]> in;
};

class GzipSource : public DecoderBase {
public:
  explicit GzipSource(std::unique_ptr<RawFile> f) : DecoderBase(std::move(f)) {
    std::memset(&zs, 0, sizeof zs);
    if (inflateInit2(&zs, 15 + 16) != Z_OK) file->fail("out of memory");
  }
  ~GzipSource() override { inflateEnd(&zs); }

  std::size_t read(char* buf, std::size_t cap) override {
    zs.next_out = reinterpret_cast<Bytef*>(buf);
    zs.avail_out = static_cast<uInt>(cap);
    while (!done && zs.avail_out == cap) {
      const bool at_end = !refill(zs.next_in, zs.avail_in);
      int ret = inflate(&zs, Z_NO_FLUSH);
      if (ret == Z_STREAM_END) {
        next_member();
      } else if (ret != Z_OK && ret != Z_BUF_ERROR) {
        file->fail(zs.msg != nullptr ? zs.msg : "compressed data error");
      } else if (at_end && zs.avail_out == cap) {
        file->fail("unexpected end of file");
      }
    }
    return cap - zs.avail_out;
  }

private:
  // After a member: another one follows only when the next two bytes are gzip's magic.
  void next_member() {
    if (!refill(zs.next_in, zs.avail_in)) {
      done = true;
      return;
    }
    if (zs.avail_in == 1) {
      // One byte left in the block: move it to the front and read on behind it.
      in[0] = static_cast<char>(*zs.next_in);
      std::size_t more = file->read(in.get() + 1, decoder_block - 1);
      zs.next_in = reinterpret_cast<Bytef*>(in.get());
      zs.avail_in = static_cast<uInt>(1 + more);
    }
    if (zs.avail_in >= 2 && zs.next_in[0] == 0x1f && zs.next_in[1] == 0x8b) {
      inflateReset(&zs);
    } else {
      done = true;
    }
  }

  z_stream zs;
  bool done = false;
};

class XzSource : public DecoderBase {
public:
  explicit XzSource(std::unique_ptr<RawFile> f) : DecoderBase(std::move(f)) {
    if (lzma_stream_decoder(&xs, UINT64_MAX, LZMA_CONCATENATED) != LZMA_OK) file->fail("out of memory");
  }
  ~XzSource() override { lzma_end(&xs); }

  std::size_t read(char* buf, std::size_t cap) override {
    xs.next_out = reinterpret_cast<std::uint8_t*>(buf);
    xs.avail_out = cap;
    while (!done && xs.avail_out == cap) {
      lzma_action action = LZMA_RUN;
      if (!refill(xs.next_in, xs.avail_in)) action = LZMA_FINISH;
      lzma_ret ret = lzma_code(&xs, action);
      if (ret == LZMA_STREAM_END) {
        done = true;
      } else if (ret != LZMA_OK) {
        file->fail(reason(ret));
      }
    }
    return cap - xs.avail_out;
  }

private:
  static const char* reason(lzma_ret ret) {
    switch (ret) {
      case LZMA_BUF_ERROR: return "unexpected end of file";
      case LZMA_MEM_ERROR: return "out of memory";
      case LZMA_FORMAT_ERROR: return "not in the xz format";
      case LZMA_OPTIONS_ERROR: return "unsupported xz options";
      default: return "compressed data is corrupt";
    }
  }

  lzma_stream xs = LZMA_STREAM_INIT;
  bool done = false;
};

class Bzip2Source : public DecoderBase {
public:
  explicit Bzip2Source(std::unique_ptr<RawFile> f) : DecoderBase(std::move(f)) { start(); }
  ~Bzip2Source() override { BZ2_bzDecompressEnd(&bs); }

  std::size_t read(char* buf, std::size_t cap) override {
    bs.next_out = buf;
    bs.avail_out = static_cast<unsigned>(cap);
    while (!done && bs.avail_out == cap) {
      const bool at_end = !refill(bs.next_in, bs.avail_in);
      int ret = BZ2_bzDecompress(&bs);
      if (ret == BZ_STREAM_END) {
        next_stream();
      } else if (ret != BZ_OK) {
        file->fail(ret == BZ_MEM_ERROR ? "out of memory" : "compressed data is corrupt");
      } else if (at_end && bs.avail_out == cap) {
        file->fail("unexpected end of file");
      }
    }
    return cap - bs.avail_out;
  }

private:
  void start() {
    std::memset(&bs, 0, sizeof bs);
    if (BZ2_bzDecompressInit(&bs, 0, 0) != BZ_OK) file->fail("out of memory");
  }
  // After a stream: another one follows only when the next bytes start like one.
  void next_stream() {
    if (!refill(bs.next_in, bs.avail_in)) {
      done = true;
      return;
    }
    if (bs.avail_in < 3) {
      std::memmove(in.get(), bs.next_in, bs.avail_in);
      std::size_t more = file->read(in.get() + bs.avail_in, decoder_block - bs.avail_in);
      bs.next_in = in.get();
      bs.avail_in += static_cast<unsigned>(more);
    }
    if (bs.avail_in >= 3 && std::memcmp(bs.next_in, "BZh", 3) == 0) {
      // A fresh decoder for the next stream; where the input and the caller's buffer stand
      // carries over (start() clears them, and read() measures its output by avail_out).
      char* next_in = bs.next_in;
      const unsigned avail_in = bs.avail_in;
      char* next_out = bs.next_out;
      const unsigned avail_out = bs.avail_out;
      BZ2_bzDecompressEnd(&bs);
      start();
      bs.next_in = next_in;
      bs.avail_in = avail_in;
      bs.next_out = next_out;
      bs.avail_out = avail_out;
    } else {
      done = true;
    }
  }

  bz_stream bs;
  bool done = false;
};

bool starts_with(const RawFile& f, const char* magic, std::size_t n) {
  return f.first_size() >= n && std::memcmp(f.first_bytes(), magic, n) == 0;
}

}  // namespace

bool is_standard_input(const char* fname) { return std::strcmp(fname, "-") == 0; }

std::unique_ptr<InputSource> open_input_source(const char* fname) {
  // A copy of standard input's descriptor, so that the source may close its own as always.
  int fd = is_standard_input(fname) ? fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0) : open(fname, O_RDONLY | O_CLOEXEC);
  if (fd < 0) reader_abort(std::string("Could not open file: ") + fname);
  auto file = std::make_unique<RawFile>(fd, fname);
  if (starts_with(*file, "\x1f\x8b", 2)) return std::make_unique<GzipSource>(std::move(file));
  if (starts_with(*file, "\xfd" "7zXZ\0", 6)) return std::make_unique<XzSource>(std::move(file));
  if (starts_with(*file, "BZh", 3) && file->first_size() >= 4 && file->first_bytes()[3] >= '1' &&
      file->first_bytes()[3] <= '9')
    return std::make_unique<Bzip2Source>(std::move(file));
  return std::make_unique<PlainSource>(std::move(file));
}
