#pragma once

// How media servers answer a player, honest and not, for loopback servers in tests: each kind
// answers every request for one body as that kind of server does, and counts what it did.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <httplib.h>

#include "platform/testing/TestHttpServer.h"

namespace platform::testing {

enum class MediaAnswerKind {
    Ranges,          // answers each range with that range, to the end
    Whole,           // ignores ranges: a chunked 200 of the whole, every time
    OneByte,         // answers each range honestly, with one byte of it
    ShortThenWhole,  // 8 KiB of a length of 1 TiB first, then the whole for every range
    CutThenLonger,   // the first answer cut off after 1 MiB, then a length one byte longer
    PastItsRange,    // names 100 bytes of each range and sends all the rest
};

// "ranges", "whole", "one-byte", "short-then-whole", "cut-then-longer", "past-its-range".
std::optional<MediaAnswerKind> mediaAnswerKindNamed(std::string_view name);

// What the answers of one kind did, counted where they write.
struct MediaAnswerCounts {
    std::atomic<int> requests{0};
    std::atomic<std::uint64_t> bytes{0};
    // Answers still writing: a player that let go of its item leaves none.
    std::atomic<int> open{0};
};

// Answers one request for `body` as a server of `kind`; the first request `counts` heard is
// the first of the kind's story.
void answerMedia(MediaAnswerKind kind, std::shared_ptr<const std::string> body,
                 const httplib::Request& req, httplib::Response& res,
                 const std::shared_ptr<MediaAnswerCounts>& counts);

// A loopback server of one kind, serving `body` at "/media" and behind "/go", a redirect to it
// as servers answer one, whatever range was asked.
class MediaServer {
  public:
    MediaServer(MediaAnswerKind kind, std::string body);
    MediaServer(const MediaServer&) = delete;
    MediaServer& operator=(const MediaServer&) = delete;

    std::string url(const std::string& path = "/media") const { return http_.url(path); }
    const MediaAnswerCounts& served() const { return *counts_; }
    std::size_t size() const { return body_->size(); }

  private:
    const std::shared_ptr<const std::string> body_;
    const std::shared_ptr<MediaAnswerCounts> counts_ = std::make_shared<MediaAnswerCounts>();
    TestHttpServer http_;
};

}  // namespace platform::testing
