// Buffered stdio streams behind minizip, with a 64-bit position counter kept beside each stream.
#include "platform/ZipFileFunctions.h"

#include <cstdint>
#include <cstdio>
#include <limits>
#include <new>
#include <sys/types.h>

namespace brindle::platform {

namespace {

struct ZipStream {
    FILE* file;
    std::uint64_t position; ///< bytes from the start of the file, maintained by read, write and seek
};

// Scratch space for read-through seeks; its contents are never used.
unsigned char g_SeekScratch[kZipStreamBufferSize];

ZipStream* AsStream(voidpf stream)
{
    return static_cast<ZipStream*>(stream);
}

voidpf ZCALLBACK OpenStream(voidpf, const void* filename, int mode)
{
    const char* fopenMode = nullptr;
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) == ZLIB_FILEFUNC_MODE_READ)
        fopenMode = "rbe";
    else if (mode & ZLIB_FILEFUNC_MODE_EXISTING)
        fopenMode = "r+be";
    else if (mode & ZLIB_FILEFUNC_MODE_CREATE)
        fopenMode = "wbe";
    if (filename == nullptr || fopenMode == nullptr)
        return nullptr;
    FILE* file = std::fopen(static_cast<const char*>(filename), fopenMode);
    if (file == nullptr)
        return nullptr;
    std::setvbuf(file, nullptr, _IOFBF, kZipStreamBufferSize);
    auto* stream = new (std::nothrow) ZipStream{file, 0};
    if (stream == nullptr)
        std::fclose(file);
    return stream;
}

uLong ZCALLBACK ReadStream(voidpf, voidpf stream, void* buf, uLong size)
{
    ZipStream* s = AsStream(stream);
    const std::size_t n = fread_unlocked(buf, 1, size, s->file);
    s->position += n;
    return static_cast<uLong>(n);
}

uLong ZCALLBACK WriteStream(voidpf, voidpf stream, const void* buf, uLong size)
{
    ZipStream* s = AsStream(stream);
    const std::size_t n = fwrite_unlocked(buf, 1, size, s->file);
    s->position += n;
    return static_cast<uLong>(n);
}

ZPOS64_T ZCALLBACK TellStream(voidpf, voidpf stream)
{
    return AsStream(stream)->position;
}

// Discards count bytes by reading them; true when all of them were there.
bool ReadThrough(ZipStream* s, std::uint64_t count)
{
    const std::size_t n = fread_unlocked(g_SeekScratch, 1, static_cast<std::size_t>(count), s->file);
    s->position += n;
    return n == count;
}

long ZCALLBACK SeekStream(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    ZipStream* s = AsStream(stream);
    int whence;
    std::uint64_t target = offset;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        whence = SEEK_SET;
        if (target == s->position)
            return 0;
        if (target > s->position && target - s->position <= kZipStreamBufferSize) {
            if (ReadThrough(s, target - s->position))
                return 0;
        }
        break;
    case ZLIB_FILEFUNC_SEEK_CUR:
        if (offset == 0)
            return 0;
        // Seek to the absolute target so that a short read-through cannot shift it.
        whence = SEEK_SET;
        target = s->position + offset;
        if (offset < kZipStreamBufferSize && ReadThrough(s, offset))
            return 0;
        break;
    case ZLIB_FILEFUNC_SEEK_END:
        whence = SEEK_END;
        break;
    default:
        return -1;
    }
    if (target > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
        return -1;
    if (fseeko(s->file, static_cast<off_t>(target), whence) != 0)
        return -1;
    if (whence == SEEK_SET) {
        s->position = target;
        return 0;
    }
    const off_t position = ftello(s->file);
    if (position < 0)
        return -1;
    s->position = static_cast<std::uint64_t>(position);
    return 0;
}

int ZCALLBACK CloseStream(voidpf, voidpf stream)
{
    ZipStream* s = AsStream(stream);
    const int result = std::fclose(s->file);
    delete s;
    return result;
}

int ZCALLBACK StreamError(voidpf, voidpf stream)
{
    return std::ferror(AsStream(stream)->file);
}

} // namespace

void FillZipFileFunctions(zlib_filefunc64_def& table)
{
    table.zopen64_file = OpenStream;
    table.zread_file = ReadStream;
    table.zwrite_file = WriteStream;
    table.ztell64_file = TellStream;
    table.zseek64_file = SeekStream;
    table.zclose_file = CloseStream;
    table.zerror_file = StreamError;
    table.opaque = nullptr;
}

} // namespace brindle::platform
