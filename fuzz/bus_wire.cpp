// Any bytes a peer process may send to a message window, in pieces of any size: the request reader
// never over-reads, never hands out a request it should refuse, and stops at a broken stream.
#include "platform/BusWire.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

using platform::bus::Header;
using platform::bus::RequestReader;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    // The first byte sets the size of the pieces the stream arrives in.
    const size_t piece = 1 + data[0] % 64;
    RequestReader reader;
    size_t pos = 1;
    while (pos < size)
    {
        const size_t n = std::min(piece, size - pos);
        // A copy of exactly the piece, so a read past it is caught.
        std::vector<std::uint8_t> chunk(data + pos, data + pos + n);
        size_t offset = 0;
        while (offset < n)
        {
            size_t used = 0;
            RequestReader::Status status = reader.Feed(chunk.data() + offset, n - offset, &used);
            if (used > n - offset)
                std::abort();
            offset += used;
            if (status == RequestReader::Status::Bad)
                return 0;
            if (status == RequestReader::Status::NeedMore)
            {
                if (offset != n)
                    std::abort();
                break;
            }
            if (used == 0) // a request is always completed by bytes of this call
                std::abort();
            const Header& h = reader.Current();
            if (platform::bus::RequestError(h) != nullptr || h.length > platform::kMaxCopyData)
                std::abort();
            if (reader.TakePayload().size() != h.length)
                std::abort();
        }
        pos += n;
    }
    // A header that decodes encodes back to the same bytes.
    if (size >= 1 + platform::bus::kHeaderSize)
    {
        Header h;
        if (platform::bus::DecodeHeader(data + 1, &h))
        {
            std::uint8_t out[platform::bus::kHeaderSize];
            platform::bus::EncodeHeader(h, out);
            Header again;
            if (!platform::bus::DecodeHeader(out, &again) || again.kind != h.kind || again.length != h.length ||
                again.msg != h.msg || again.seq != h.seq)
                std::abort();
        }
    }
    return 0;
}
