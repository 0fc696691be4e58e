// Buffered C streams behind minizip, with a 64-bit position counter kept beside each stream
// and a window of the bytes read last, so that short moves in either direction cost no system call.
#include "platform/ZipFileFunctions.h"

#include "platform/File.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <sys/types.h>

namespace brindle::platform {

namespace {

// The few stream calls that differ between C runtimes.
#if defined(_WIN32)
// Windows: 64-bit positions through _fseeki64/_ftelli64; no unlocked stream calls (a locked call
// per read costs little beside the stream's buffer) and no close-on-exec mode (nothing is started).
using StreamOffset = __int64;
constexpr const char* kReadMode = "rb";
constexpr const char* kUpdateMode = "r+b";
constexpr const char* kCreateMode = "wb";
std::size_t ReadBytes(void* out, std::size_t count, FILE* file)
{
    return std::fread(out, 1, count, file);
}
std::size_t WriteBytes(const void* in, std::size_t count, FILE* file)
{
    return std::fwrite(in, 1, count, file);
}
int SeekTo(FILE* file, StreamOffset offset, int whence)
{
    return _fseeki64(file, offset, whence);
}
StreamOffset PositionOf(FILE* file)
{
    return _ftelli64(file);
}
FILE* OpenForReadingOnly(const char* path)
{
    // No FIFO or device can stand behind an ordinary path here, and a folder does not open.
    return std::fopen(path, kReadMode);
}
#else
using StreamOffset = off_t;
constexpr const char* kReadMode = "rbe";
constexpr const char* kUpdateMode = "r+be";
constexpr const char* kCreateMode = "wbe";
std::size_t ReadBytes(void* out, std::size_t count, FILE* file)
{
    return fread_unlocked(out, 1, count, file);
}
std::size_t WriteBytes(const void* in, std::size_t count, FILE* file)
{
    return fwrite_unlocked(in, 1, count, file);
}
int SeekTo(FILE* file, StreamOffset offset, int whence)
{
    return fseeko(file, offset, whence);
}
StreamOffset PositionOf(FILE* file)
{
    return ftello(file);
}
FILE* OpenForReadingOnly(const char* path)
{
    // Archives are read from regular files only: a plain open of a FIFO would wait for a writer
    // forever, and a device may never end.
    OwnedFile fd(OpenForReading(path, ShareMode::Read, AccessHint::Normal));
    if (!fd)
        return nullptr;
    FILE* file = ::fdopen(static_cast<int>(fd.Get()), "rb"); // the descriptor is already close-on-exec
    if (file != nullptr)
        fd.Release(); // the stream owns it now
    return file;
}
#endif

// minizip reads the central directory a few bytes at a time and steps back over every header to
// read it again with its name. Reads are served from a window of the bytes taken from the stream
// last, so most of them cost a copy and moves inside the window cost nothing; the stream itself is
// read a window at a time.
constexpr std::size_t kWindowSize = kZipStreamBufferSize;

struct ZipStream {
    FILE* file;
    std::uint64_t position;              ///< the position minizip sees, maintained by read, write and seek
    unsigned char window[kWindowSize];   ///< bytes [position - windowAt, ...) as read from the stream
    std::size_t windowLength;            ///< valid bytes in window; the stream stands after them
    std::size_t windowAt;                ///< index in window of the byte at position
};

// Scratch space for read-through seeks; its contents are never used.
unsigned char g_seekScratch[kZipStreamBufferSize];

ZipStream* AsStream(voidpf stream)
{
    return static_cast<ZipStream*>(stream);
}

void Forget(ZipStream* s)
{
    s->windowLength = 0;
    s->windowAt = 0;
}

voidpf ZCALLBACK OpenStream(voidpf, const void* filename, int mode)
{
    const char* fopenMode = nullptr;
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) == ZLIB_FILEFUNC_MODE_READ)
        fopenMode = kReadMode;
    else if (mode & ZLIB_FILEFUNC_MODE_EXISTING)
        fopenMode = kUpdateMode;
    else if (mode & ZLIB_FILEFUNC_MODE_CREATE)
        fopenMode = kCreateMode;
    if (filename == nullptr || fopenMode == nullptr)
        return nullptr;
    FILE* file = fopenMode == kReadMode ? OpenForReadingOnly(static_cast<const char*>(filename))
                                        : std::fopen(static_cast<const char*>(filename), fopenMode);
    if (file == nullptr)
        return nullptr;
    std::setvbuf(file, nullptr, _IOFBF, kZipStreamBufferSize);
    auto* stream = new (std::nothrow) ZipStream;
    if (stream == nullptr) {
        std::fclose(file);
        return nullptr;
    }
    stream->file = file;
    stream->position = 0;
    Forget(stream);
    return stream;
}

uLong ZCALLBACK ReadStream(voidpf, voidpf stream, void* buf, uLong size)
{
    ZipStream* s = AsStream(stream);
    auto* out = static_cast<unsigned char*>(buf);
    // Most reads are of one to four bytes (header fields) and lie inside the window.
    if (size <= s->windowLength - s->windowAt && size <= 8) {
        for (uLong i = 0; i < size; ++i)
            out[i] = s->window[s->windowAt + i];
        s->windowAt += size;
        s->position += size;
        return size;
    }
    std::size_t delivered = 0;
    while (delivered < size) {
        if (s->windowAt == s->windowLength) {
            const std::size_t wanted = size - delivered;
            if (wanted >= kWindowSize) {
                // A large read goes straight to the caller; its tail becomes the window.
                const std::size_t n = ReadBytes(out + delivered, wanted, s->file);
                if (n >= kWindowSize) {
                    std::memcpy(s->window, out + delivered + n - kWindowSize, kWindowSize);
                    s->windowLength = kWindowSize;
                } else {
                    std::memcpy(s->window, out + delivered, n);
                    s->windowLength = n;
                }
                s->windowAt = s->windowLength;
                delivered += n;
                break;
            }
            s->windowLength = ReadBytes(s->window, kWindowSize, s->file);
            s->windowAt = 0;
            if (s->windowLength == 0)
                break;
        }
        const std::size_t n = std::min<std::size_t>(size - delivered, s->windowLength - s->windowAt);
        std::memcpy(out + delivered, s->window + s->windowAt, n);
        s->windowAt += n;
        delivered += n;
    }
    s->position += delivered;
    return static_cast<uLong>(delivered);
}

// Moves the stream itself; the window no longer describes what lies before it.
long SeekFile(ZipStream* s, std::uint64_t offset, int whence)
{
    Forget(s);
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<StreamOffset>::max()))
        return -1;
    if (SeekTo(s->file, static_cast<StreamOffset>(offset), whence) != 0)
        return -1;
    if (whence == SEEK_SET) {
        s->position = offset;
        return 0;
    }
    const StreamOffset position = PositionOf(s->file);
    if (position < 0)
        return -1;
    s->position = static_cast<std::uint64_t>(position);
    return 0;
}

uLong ZCALLBACK WriteStream(voidpf, voidpf stream, const void* buf, uLong size)
{
    ZipStream* s = AsStream(stream);
    // The stream stands after the window; put it where the caller is before writing.
    if (s->windowAt != s->windowLength && SeekFile(s, s->position, SEEK_SET) != 0)
        return 0;
    Forget(s);
    const std::size_t n = WriteBytes(buf, size, s->file);
    s->position += n;
    return static_cast<uLong>(n);
}

ZPOS64_T ZCALLBACK TellStream(voidpf, voidpf stream)
{
    return AsStream(stream)->position;
}

// Moves to an absolute target without a system call when the window holds it or it lies at most
// one stream buffer ahead (read through); true when that worked.
bool MoveWithinReach(ZipStream* s, std::uint64_t target)
{
    if (target < s->position) {
        const std::uint64_t back = s->position - target;
        if (back > s->windowAt)
            return false;
        s->windowAt -= static_cast<std::size_t>(back);
        s->position = target;
        return true;
    }
    const std::uint64_t ahead = target - s->position;
    if (ahead <= s->windowLength - s->windowAt) {
        s->windowAt += static_cast<std::size_t>(ahead);
        s->position = target;
        return true;
    }
    if (ahead > kZipStreamBufferSize)
        return false;
    return ReadStream(nullptr, s, g_seekScratch, static_cast<uLong>(ahead)) == ahead;
}

long ZCALLBACK SeekStream(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    ZipStream* s = AsStream(stream);
    std::uint64_t target;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        target = offset;
        break;
    case ZLIB_FILEFUNC_SEEK_CUR:
        if (offset > std::numeric_limits<std::uint64_t>::max() - s->position)
            return -1;
        target = s->position + offset;
        break;
    case ZLIB_FILEFUNC_SEEK_END:
        return SeekFile(s, offset, SEEK_END);
    default:
        return -1;
    }
    if (target == s->position || MoveWithinReach(s, target))
        return 0;
    // A short read-through stopped at the end of the file; the real seek decides.
    return SeekFile(s, target, SEEK_SET);
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
