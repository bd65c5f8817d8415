#include "app_core/locale_text.h"

#include <iconv.h>
#include <langinfo.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <string>

namespace {

// Length of the UTF-8 sequence (or lone bad byte) at the start of `in`, so
// that one "?" stands for one character.
size_t SequenceLength(const char* in, size_t left)
{
    const auto lead = static_cast<unsigned char>(in[0]);
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length > left)
        length = left;
    size_t n = 1;
    while (n < length && (static_cast<unsigned char>(in[n]) & 0xC0) == 0x80)
        ++n;
    return n;
}

std::string AsciiOnly(std::string_view utf8)
{
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            out += utf8[i++];
        } else {
            out += '?';
            i += SequenceLength(utf8.data() + i, utf8.size() - i);
        }
    }
    return out;
}

class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : cd_(iconv_open(to, from)) { }
    ~IconvHandle()
    {
        if (valid())
            iconv_close(cd_);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

std::string Convert(std::string_view utf8, const IconvHandle& cd)
{
    if (!cd.valid())
        return AsciiOnly(utf8);
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr); // the initial state

    std::string out;
    out.resize(utf8.size() * 2 + 16);
    char* in = const_cast<char*>(utf8.data()); // iconv's interface is not const-correct
    size_t inLeft = utf8.size();
    size_t used = 0;
    // The last round (in == nullptr) lets a stateful charset return to its
    // initial shift state.
    for (bool finishing = false;;) {
        char* outPtr = out.data() + used;
        size_t outLeft = out.size() - used;
        const size_t result = finishing ? iconv(cd.get(), nullptr, nullptr, &outPtr, &outLeft)
                                        : iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft);
        used = out.size() - outLeft;
        if (result != static_cast<size_t>(-1)) {
            if (finishing)
                break;
            finishing = true;
        } else if (errno == E2BIG) {
            out.resize(out.size() * 2);
        } else { // EILSEQ or EINVAL: not representable, or not UTF-8
            const size_t skip = SequenceLength(in, inLeft);
            in += skip;
            inLeft -= skip;
            out.resize(std::max(out.size(), used + 1));
            out[used++] = '?';
        }
    }
    out.resize(used);
    return out;
}

} // namespace

std::string Utf8ToCharset(std::string_view utf8, const char* charset)
{
    return Convert(utf8, IconvHandle(charset, "UTF-8"));
}

// The converter is made once per thread and character set, not per line.
std::string Utf8ToLocaleCharset(std::string_view utf8)
{
    struct Converter {
        std::string charset;
        std::unique_ptr<IconvHandle> handle;
    };
    thread_local Converter converter;
    const char* charset = nl_langinfo(CODESET);
    if (!converter.handle || converter.charset != charset) {
        converter.handle = std::make_unique<IconvHandle>(charset, "UTF-8");
        converter.charset = charset;
    }
    return Convert(utf8, *converter.handle);
}

std::string AnsiTextToUtf8(std::string_view text)
{
    static constexpr char kReplacement[] = "\xEF\xBF\xBD";
    IconvHandle cd("UTF-8", "GB18030");
    if (!cd.valid())
        return std::string(text);
    std::string out(text.size() * 3 + 16, '\0');
    char* in = const_cast<char*>(text.data()); // iconv's interface is not const-correct
    size_t inLeft = text.size();
    size_t used = 0;
    while (inLeft > 0) {
        char* outPtr = out.data() + used;
        size_t outLeft = out.size() - used;
        const size_t result = iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft);
        used = out.size() - outLeft;
        if (result != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        // EILSEQ or EINVAL (cut short at the end): one byte is no character.
        ++in;
        --inLeft;
        out.resize(std::max(out.size(), used + 3));
        out.replace(used, 3, kReplacement, 3);
        used += 3;
    }
    out.resize(used);
    return out;
}
