#include "platform/testing/MediaAnswers.h"

#include <algorithm>
#include <charconv>

namespace platform::testing {

namespace {

constexpr std::size_t kWriteBytes = 64 << 10;

std::uint64_t askedOffset(const httplib::Request& req) {
    const std::string range = req.get_header_value("Range");
    std::uint64_t offset = 0;
    if (range.starts_with("bytes="))
        std::from_chars(range.data() + 6, range.data() + range.size(), offset);
    return offset;
}

// An answer that writes from now until the server lets go of it.
httplib::ContentProviderResourceReleaser opened(const std::shared_ptr<MediaAnswerCounts>& counts) {
    ++counts->open;
    return [counts](bool) { --counts->open; };
}

// Writes body[offset, end) a block at a time, counting what was written.
bool writeSome(const std::string& body, std::size_t offset, std::size_t end,
               httplib::DataSink& sink, MediaAnswerCounts& counts) {
    if (offset >= end) {
        sink.done();
        return true;
    }
    const std::size_t n = std::min(end - offset, kWriteBytes);
    if (!sink.write(body.data() + offset, n)) return false;
    counts.bytes += n;
    return true;
}

// A 206 that names bytes [first, last] of a media of `length` and sends the body's bytes from
// `first` to `sentEnd` (by default, those it names). The body ends with the connection, so
// the server's own range handling stays out of an answer it did not choose.
void answerPart(const std::shared_ptr<const std::string>& body, httplib::Response& res,
                std::uint64_t first, std::uint64_t last, std::uint64_t length,
                const std::shared_ptr<MediaAnswerCounts>& counts,
                std::optional<std::uint64_t> sentEnd = std::nullopt) {
    res.status = 206;
    res.set_header("Content-Range", "bytes " + std::to_string(first) + "-" + std::to_string(last) +
                                        "/" + std::to_string(length));
    const std::size_t end =
        std::size_t(std::min<std::uint64_t>(sentEnd.value_or(last + 1), body->size()));
    res.set_content_provider(
        "video/webm",
        [body, counts, first, end](std::size_t offset, httplib::DataSink& sink) {
            return writeSome(*body, std::size_t(first) + offset, end, sink, *counts);
        },
        opened(counts));
}

void answerWhole(const std::shared_ptr<const std::string>& body, httplib::Response& res,
                 const std::shared_ptr<MediaAnswerCounts>& counts) {
    res.status = 200;
    res.set_chunked_content_provider(
        "video/webm",
        [body, counts](std::size_t offset, httplib::DataSink& sink) {
            return writeSome(*body, offset, body->size(), sink, *counts);
        },
        opened(counts));
}

}  // namespace

std::optional<MediaAnswerKind> mediaAnswerKindNamed(std::string_view name) {
    if (name == "ranges") return MediaAnswerKind::Ranges;
    if (name == "whole") return MediaAnswerKind::Whole;
    if (name == "one-byte") return MediaAnswerKind::OneByte;
    if (name == "short-then-whole") return MediaAnswerKind::ShortThenWhole;
    if (name == "cut-then-longer") return MediaAnswerKind::CutThenLonger;
    if (name == "past-its-range") return MediaAnswerKind::PastItsRange;
    return std::nullopt;
}

void answerMedia(MediaAnswerKind kind, std::shared_ptr<const std::string> body,
                 const httplib::Request& req, httplib::Response& res,
                 const std::shared_ptr<MediaAnswerCounts>& counts) {
    const bool first = ++counts->requests == 1;
    const std::uint64_t at = askedOffset(req);
    const std::uint64_t size = body->size();
    switch (kind) {
        case MediaAnswerKind::Ranges:
            // The server's own range handling answers a "Range" with 206 and its part.
            res.set_content_provider(
                body->size(), "video/webm",
                [body, counts](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                    return writeSome(*body, offset, offset + length, sink, *counts);
                },
                opened(counts));
            return;
        case MediaAnswerKind::OneByte:
            if (at >= size) {
                res.status = 416;
                return;
            }
            answerPart(body, res, at, at, size, counts);
            return;
        case MediaAnswerKind::ShortThenWhole:
            if (first) {
                answerPart(body, res, 0, 8191, std::uint64_t(1) << 40, counts);
                return;
            }
            answerWhole(body, res, counts);
            return;
        case MediaAnswerKind::Whole:
            answerWhole(body, res, counts);
            return;
        case MediaAnswerKind::CutThenLonger:
            if (at >= size) {
                res.status = 416;
                return;
            }
            if (first) {
                answerPart(body, res, at, size - 1, size, counts, at + (1 << 20));
            } else {
                answerPart(body, res, at, size - 1, size + 1, counts);
            }
            return;
        case MediaAnswerKind::PastItsRange:
            if (at >= size) {
                res.status = 416;
                return;
            }
            answerPart(body, res, at, std::min(at + 99, size - 1), size, counts, size);
            return;
    }
}

MediaServer::MediaServer(MediaAnswerKind kind, std::string body)
    : body_(std::make_shared<const std::string>(std::move(body))) {
    http_.get("/go", [this](const httplib::Request&, httplib::Response& res) {
        res.status = 302;
        res.set_header("Location", http_.url("/media"));
    });
    http_.get("/media", [this, kind](const httplib::Request& req, httplib::Response& res) {
        answerMedia(kind, body_, req, res, counts_);
    });
}

}  // namespace platform::testing
