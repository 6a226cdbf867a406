// An owned iconv descriptor, for the text-code conversions of this folder only.
#pragma once

#include <iconv.h>

#include <cerrno>
#include <string>
#include <string_view>

namespace ruz {

/// Converts between two iconv code names. Not thread-safe (iconv keeps shift
/// state): keep one per thread. Closed by the destructor.
class IconvConverter {
 public:
  IconvConverter(const char *to, const char *from) : cd_(iconv_open(to, from)) {}
  ~IconvConverter() {
    if (IsOpen()) iconv_close(cd_);
  }
  IconvConverter(const IconvConverter &) = delete;
  IconvConverter &operator=(const IconvConverter &) = delete;

  bool IsOpen() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  /// Converts as much of in as possible, appending to out. in is advanced past
  /// what was converted; returns 0 when all of it was, otherwise the errno
  /// (EILSEQ or EINVAL) of the sequence that stopped the conversion.
  int Convert(std::string_view &in, std::string &out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buffer[1024];
    while (!in.empty()) {
      char *src = const_cast<char *>(in.data());
      std::size_t srcLeft = in.size();
      char *dst = buffer;
      std::size_t dstLeft = sizeof buffer;
      std::size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      int err = rc == static_cast<std::size_t>(-1) ? errno : 0;
      out.append(buffer, dst - buffer);
      in.remove_prefix(in.size() - srcLeft);
      if (err != 0 && err != E2BIG) return err;
    }
    return 0;
  }

 private:
  iconv_t cd_;
};

/// The calling thread's UTF-8 -> CP932 and CP932 -> UTF-8 converters.
IconvConverter &Utf8ToCp932Converter();
IconvConverter &Cp932ToUtf8Converter();

/// Length of the well-formed UTF-8 sequence at the start of s (shortest form,
/// no surrogates, at most U+10FFFF); 0 when it is not well formed or s is empty.
std::size_t Utf8SequenceLength(std::string_view s);

}  // namespace ruz
