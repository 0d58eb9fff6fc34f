#include "platform/services/gst/GstHttpSource.h"

#include <gst/base/gstpushsrc.h>
#include <gst/gst.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/base/Url.h"
#include "platform/net/Connection.h"
#include "platform/net/ContentRange.h"
#include "platform/net/ReceiveWindow.h"
#include "platform/runtime/SerialQueue.h"

namespace platform::services {

namespace {

std::atomic<std::size_t> alive{0};

// The most one buffer carries: what a demuxer reads at a time, give or take.
constexpr std::size_t kBufferBytes = 64 << 10;
// Bytes behind the position beyond what is kept are let go of together, this many or a quarter
// of what is kept, so what is kept moves once for a run of them rather than for every chunk.
constexpr std::uint64_t kTrimBytes = 256 << 10;

// In any letter case: GStreamer gives an item to the source of its protocol whatever the case,
// and one this source refused would go on to the next source of that protocol.
bool isWebUrl(const Url& url) {
    const char* scheme = url.scheme().c_str();
    return (g_ascii_strcasecmp(scheme, "http") == 0 || g_ascii_strcasecmp(scheme, "https") == 0) &&
           !url.host().empty();
}

// Everything the element knows; the streaming thread, GStreamer's state changes and the
// serial queue's transfers meet here under one lock.
//
// The bytes of the running transfer are kept in one run, buffer_, from base_ on; position_ is
// the next byte the pipeline takes. What lies ahead of position_ is held in the transfer's
// receive window, so the network reads ahead only as far as the window. Bytes behind it are
// kept only for a server that ignores ranges, whose skipped bytes a later seek back may want.
class Fetch : public ConnectionDelegate, public std::enable_shared_from_this<Fetch> {
  public:
    enum class Result { Data, Eos, Flushing, Error };

    explicit Fetch(GstBaseSrc* element) { g_weak_ref_init(&element_, element); }
    ~Fetch() override { g_weak_ref_clear(&element_); }

    // GStreamer's start: the first answer's head (its length, whether it is one at all and
    // whether the server reads by ranges) completes it, from the queue, so no thread of the
    // pipeline waits on the network.
    void start() {
        std::lock_guard starting(startMutex_);
        std::lock_guard lock(mutex_);
        resetLocked();
        startPending_ = true;
        ++startGeneration_;
        startLocked(0);
    }
    void stop() {
        std::lock_guard starting(startMutex_);
        std::lock_guard lock(mutex_);
        startPending_ = false;
        ++startGeneration_;
        resetLocked();
    }

    void setUri(std::string uri) {
        std::lock_guard lock(mutex_);
        uri_ = std::move(uri);
    }
    std::string uri() const {
        std::lock_guard lock(mutex_);
        return uri_;
    }
    std::optional<std::uint64_t> size() const {
        std::lock_guard lock(mutex_);
        return size_;
    }

    // Streaming thread: the next bytes at the position, waiting for them as long as needed.
    Result take(std::string& bytes, std::uint64_t& offset, std::string& error) {
        std::unique_lock lock(mutex_);
        while (true) {
            if (flushing_) return Result::Flushing;
            if (failure_) {
                error = *failure_;
                return Result::Error;
            }
            if (position_ >= base_ && position_ < bufferEnd()) {
                const std::size_t n = std::min<std::size_t>(bufferEnd() - position_, kBufferBytes);
                bytes.assign(buffer_, std::size_t(position_ - base_), n);
                offset = position_;
                position_ += n;
                trimLocked();
                return Result::Data;
            }
            if (size_ && position_ >= *size_) return Result::Eos;
            if (!running_) continueLocked();
            if (!failure_) changed_.wait(lock);
        }
    }

    // Streaming thread, with the stream lock: the next byte to read. Bytes already here are
    // not asked for again; a server that ignores ranges is read on (a seek ahead) or from its
    // start again (a seek back past what is kept).
    void seek(std::uint64_t offset) {
        std::lock_guard lock(mutex_);
        if (failure_) return;
        if (offset >= base_ && offset <= bufferEnd()) {
            position_ = offset;
            trimLocked();
            return;
        }
        if (ranges_ == Ranges::Ignored && running_ && offset >= answerAt_) {
            position_ = offset;
            trimLocked();
            return;
        }
        stopLocked();
        dropBufferLocked(offset);
        position_ = offset;
    }

    // A flush or a stop: the streaming thread stops waiting now, and until flushing ends.
    void setFlushing(bool flushing) {
        {
            std::lock_guard lock(mutex_);
            flushing_ = flushing;
        }
        changed_.notify_all();
    }

    // Stopped: no transfer runs or starts, and nothing of the last one is kept; the next start
    // is a new item, with all of its bounds before it.
    void resetLocked() {
        stopLocked();
        dropBufferLocked(0);
        position_ = 0;
        size_.reset();
        failure_.reset();
        ranges_ = Ranges::Unknown;
        requests_ = 0;
        wholeReads_ = 0;
        shortAnswers_ = 0;
        fetched_ = 0;
        reach_ = 0;
    }

  private:
    // Whether the server answers a range with that range, learnt from its first answer (every
    // request asks for one) and held to afterwards.
    enum class Ranges { Unknown, Honoured, Ignored };

    std::uint64_t bufferEnd() const { return base_ + buffer_.size(); }

    // The serial queue's side.
    std::optional<UrlRequest> connectionWillSendRequest(Connection&, const UrlRequest& request,
                                                        const UrlResponse*) override {
        // A redirect elsewhere than the web (a file, another scheme) is not followed.
        if (!isWebUrl(request.url())) return std::nullopt;
        return request;
    }

    void connectionDidReceiveResponse(Connection& connection,
                                      const UrlResponse& response) override {
        std::unique_lock lock(mutex_);
        if (!isCurrent(connection)) return;
        answered_ = true;
        answerGain_ = 0;
        answerEnd_.reset();
        if (response.statusCode == 206) {
            const auto range = parseContentRange(response.headers.value("Content-Range"));
            if (!range || range->first != answerAt_) {
                failLocked("the server answered another range than the one asked for");
            } else if (ranges_ == Ranges::Ignored) {
                failLocked("the server answered a part of the media after the whole of it");
            } else if (range->complete && size_ && *range->complete != *size_) {
                failLocked("the server gave the media another length");
            } else {
                ranges_ = Ranges::Honoured;
                if (range->complete) size_ = *range->complete;
                answerEnd_ = range->last + 1;
            }
        } else if (response.statusCode == 200) {
            const std::int64_t length = response.expectedContentLength;
            if (ranges_ == Ranges::Honoured) {
                failLocked("the server answered the whole media after a part of it");
            } else if (length >= 0 && size_ && std::uint64_t(length) != *size_) {
                failLocked("the server gave the media another length");
            } else {
                // The whole body, whatever was asked: what comes before the position is
                // skipped, or kept for a seek back.
                ranges_ = Ranges::Ignored;
                ++wholeReads_;
                if (length >= 0) size_ = std::uint64_t(length);
                dropBufferLocked(0);
                answerAt_ = 0;
            }
        } else if (response.statusCode == 416 && size_ && answerAt_ >= *size_) {
            running_ = false;
        } else {
            failLocked("the server answered " + std::to_string(response.statusCode));
        }
        changed_.notify_all();
        completeStartLocked(lock);
    }

    void connectionDidReceiveData(Connection& connection,
                                  const std::vector<std::uint8_t>& data) override {
        {
            std::lock_guard lock(mutex_);
            if (!isCurrent(connection)) return;
            fetched_ += data.size();
            const std::uint64_t end = answerAt_ + data.size();
            if ((answerEnd_ && end > *answerEnd_) || (size_ && end > *size_)) {
                failLocked("the server sent more than the media it named");
            } else {
                keepLocked(data);
                answerAt_ = end;
                reach_ = std::max(reach_, end);
                if (fetched_ > kGstHttpFetchFactor * reach_ + kGstHttpFetchAllowance)
                    failLocked("the server made the media cost too many bytes");
            }
        }
        changed_.notify_all();
    }

    void connectionDidFinishLoading(Connection& connection) override {
        std::unique_lock lock(mutex_);
        if (!isCurrent(connection)) return;
        running_ = false;
        // A body of unknown length ends the media where it ends.
        if (!size_) size_ = answerAt_;
        if (answerAt_ < *size_) noteEarlyEndLocked();
        changed_.notify_all();
        completeStartLocked(lock);
    }

    void connectionDidFailWithError(Connection& connection, const Error& error) override {
        std::unique_lock lock(mutex_);
        if (!isCurrent(connection)) return;
        // Cut off in its body (a server that closed a connection held back too long, say),
        // the answer ended early; before its head, the item fails.
        if (answered_ && !startPending_) {
            running_ = false;
            noteEarlyEndLocked();
        } else {
            failLocked(error.localizedDescription());
        }
        changed_.notify_all();
        completeStartLocked(lock);
    }

    // The running transfer's bytes, at answerAt_ on: what lies at the position or ahead is
    // the answer's gain, held in its window until taken.
    void keepLocked(const std::vector<std::uint8_t>& data) {
        if (buffer_.empty()) base_ = answerAt_;
        buffer_.append(reinterpret_cast<const char*>(data.data()), data.size());
        const std::uint64_t end = answerAt_ + data.size();
        if (end > position_) answerGain_ += end - std::max(position_, answerAt_);
        trimLocked();
    }

    // Bytes behind the position go, but for a server that ignores ranges, which keeps the last
    // kGstHttpKeptBehindBytes of them; then what lies ahead is held in the window.
    void trimLocked() {
        const std::uint64_t keep = ranges_ == Ranges::Ignored ? kGstHttpKeptBehindBytes : 0;
        const std::uint64_t behind = std::min(position_, bufferEnd()) - std::min(position_, base_);
        if (behind > keep + std::max(kTrimBytes, keep / 4)) {
            buffer_.erase(0, std::size_t(behind - keep));
            base_ += behind - keep;
        }
        const std::uint64_t ahead = bufferEnd() > position_ ? bufferEnd() - position_ : 0;
        if (window_ && ahead > held_) window_->hold(std::size_t(ahead - held_));
        if (window_ && ahead < held_) window_->release(std::size_t(held_ - ahead));
        held_ = window_ ? ahead : 0;
    }

    void dropBufferLocked(std::uint64_t at) {
        buffer_.clear();
        base_ = at;
        trimLocked();
    }

    // An answer that ended before the media's end. One that added too little at the position
    // (nothing but skipped bytes, or one byte at a time) is short, and a few of those fail
    // the item; the next take asks again.
    void noteEarlyEndLocked() {
        if (answerGain_ < kGstHttpLeastAnswerBytes && ++shortAnswers_ > kGstHttpMaxShortAnswers) {
            failLocked("the server keeps ending the media early");
        }
    }

    // Streaming thread: the pipeline waits at the position and no transfer runs for it.
    void continueLocked() {
        if (ranges_ != Ranges::Ignored) {
            startLocked(position_);
        } else if (wholeReads_ >= kGstHttpMaxWholeReads) {
            failLocked("the server sends the whole media at every request, and it was read " +
                       std::to_string(wholeReads_) + " times");
        } else {
            dropBufferLocked(0);
            startLocked(0);
        }
    }

    // The queue's side of start(): unlocks `lock` first, since GStreamer's completion asks
    // the fetch for its length and does the first seek. A failed start says why first.
    void completeStartLocked(std::unique_lock<std::mutex>& lock) {
        if (!startPending_) return;
        startPending_ = false;
        const std::uint64_t generation = startGeneration_;
        const std::optional<std::string> failure = failure_;
        lock.unlock();
        auto* element = static_cast<GstElement*>(g_weak_ref_get(&element_));
        if (!element) return;
        {
            std::lock_guard starting(startMutex_);
            if (generation == startGeneration_) {
                if (failure) {
                    GST_ELEMENT_ERROR(element, RESOURCE, OPEN_READ, ("%s", failure->c_str()),
                                      (nullptr));
                }
                gst_base_src_start_complete(GST_BASE_SRC(element),
                                            failure ? GST_FLOW_ERROR : GST_FLOW_OK);
            }
        }
        // Perhaps the last reference: the element's end stops the fetch, under the lock.
        gst_object_unref(element);
    }

    bool isCurrent(const Connection& connection) const {
        return connection_.get() == &connection && connectionGeneration_ == generation_;
    }

    // The item is over: its transfer stops and every take says why.
    void failLocked(std::string reason) {
        if (!failure_) failure_ = std::move(reason);
        stopLocked();
    }

    // A transfer from `offset` on ("Range: bytes=<offset>-", also at 0, so the first answer
    // tells whether the server reads by ranges); the one before it, if any, is dropped.
    void startLocked(std::uint64_t offset) {
        const auto url = Url::parse(uri_);
        if (!url || !isWebUrl(*url)) {
            failLocked("not a web address");
            return;
        }
        if (requests_ >= kGstHttpMaxRequests) {
            failLocked("the server needed more than " + std::to_string(kGstHttpMaxRequests) +
                       " requests for the media");
            return;
        }
        ++requests_;
        stopLocked();
        running_ = true;
        answered_ = false;
        answerAt_ = offset;
        window_ = std::make_shared<ReceiveWindow>(std::int64_t(kGstHttpReadAheadBytes));
        trimLocked();
        const std::uint64_t generation = ++generation_;
        UrlRequest request(*url, UrlRequestCachePolicy::ReloadIgnoringLocalCacheData);
        request.setValueForHttpHeaderField("bytes=" + std::to_string(offset) + "-", "Range");
        queue_.async(
            [weak = weak_from_this(), generation, request = std::move(request), window = window_] {
                if (auto self = weak.lock()) self->open(generation, request, window);
            });
    }

    // The transfer ends on the queue, which holds the fetch until then: an element freed
    // while reading leaves nothing running behind it. Its window lets go of what it held.
    void stopLocked() {
        ++generation_;
        running_ = false;
        if (window_ && held_ > 0) window_->release(std::size_t(held_));
        window_.reset();
        held_ = 0;
        queue_.async([self = shared_from_this()] { self->close(); });
    }

    // Serial queue.
    void open(std::uint64_t generation, const UrlRequest& request,
              std::shared_ptr<ReceiveWindow> window) {
        if (connection_) connection_->cancel();
        connection_.reset();
        {
            std::lock_guard lock(mutex_);
            if (generation != generation_) return;
            connectionGeneration_ = generation;
        }
        auto connection = Connection::create(request, weak_from_this());
        connection->setReceiveWindow(std::move(window));
        connection->setDelegateQueue([weak = weak_from_this()](std::function<void()> task) {
            if (auto self = weak.lock()) self->queue_.async(std::move(task));
        });
        connection_ = connection;
        connection->start();
    }
    void close() {
        if (connection_) connection_->cancel();
        connection_.reset();
    }

    GWeakRef element_;
    // Held while a start completes or is withdrawn, so a stop never meets a late completion.
    std::mutex startMutex_;
    std::uint64_t startGeneration_ = 0;  // under both locks to write
    bool startPending_ = false;          // under mutex_
    SerialQueue queue_{"com.movuroute.media.http"};
    std::shared_ptr<Connection> connection_;  // serial queue only
    std::uint64_t connectionGeneration_ = 0;  // written on the queue, under the lock

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::string uri_;
    std::uint64_t generation_ = 0;
    std::string buffer_;
    std::uint64_t base_ = 0;      // the offset of buffer_'s first byte
    std::uint64_t position_ = 0;  // the next byte the pipeline takes
    std::optional<std::uint64_t> size_;
    std::optional<std::string> failure_;
    bool flushing_ = false;
    // The running transfer.
    bool running_ = false;
    bool answered_ = false;                   // its head came
    std::uint64_t answerAt_ = 0;              // the offset of its next byte
    std::optional<std::uint64_t> answerEnd_;  // past its range's last byte
    std::uint64_t answerGain_ = 0;            // its bytes at the position or ahead
    std::shared_ptr<ReceiveWindow> window_;   // its window, holding held_ bytes
    std::uint64_t held_ = 0;
    // The item's bounds.
    Ranges ranges_ = Ranges::Unknown;
    int requests_ = 0;
    int wholeReads_ = 0;
    int shortAnswers_ = 0;
    std::uint64_t fetched_ = 0;  // body bytes in all, skipped ones too
    std::uint64_t reach_ = 0;    // the furthest offset any answer reached
};

}  // namespace

}  // namespace platform::services

// The GObject side: a thin shell over Fetch.
struct MovuHttpSrc {
    GstPushSrc parent;
    std::shared_ptr<platform::services::Fetch>* fetch;
};
struct MovuHttpSrcClass {
    GstPushSrcClass parent;
};

namespace {

using platform::services::Fetch;

void movuHttpSrcUriHandlerInit(gpointer iface, gpointer);

GType movuHttpSrcType();

Fetch& fetchOf(gpointer element) {
    return **reinterpret_cast<MovuHttpSrc*>(element)->fetch;
}

GstStaticPadTemplate srcTemplate =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);

GstFlowReturn create(GstPushSrc* push, GstBuffer** out) {
    std::string bytes;
    std::uint64_t offset = 0;
    std::string error;
    switch (fetchOf(push).take(bytes, offset, error)) {
        case Fetch::Result::Data:
            break;
        case Fetch::Result::Eos:
            return GST_FLOW_EOS;
        case Fetch::Result::Flushing:
            return GST_FLOW_FLUSHING;
        case Fetch::Result::Error:
            GST_ELEMENT_ERROR(push, RESOURCE, READ, ("%s", error.c_str()), (nullptr));
            return GST_FLOW_ERROR;
    }
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, bytes.size(), nullptr);
    gst_buffer_fill(buffer, 0, bytes.data(), bytes.size());
    GST_BUFFER_OFFSET(buffer) = offset;
    GST_BUFFER_OFFSET_END(buffer) = offset + bytes.size();
    *out = buffer;
    return GST_FLOW_OK;
}

gboolean start(GstBaseSrc* base) {
    if (fetchOf(base).uri().empty()) return FALSE;
    fetchOf(base).start();
    return TRUE;
}
gboolean stop(GstBaseSrc* base) {
    fetchOf(base).stop();
    return TRUE;
}
gboolean unlock(GstBaseSrc* base) {
    fetchOf(base).setFlushing(true);
    return TRUE;
}
gboolean unlockStop(GstBaseSrc* base) {
    fetchOf(base).setFlushing(false);
    return TRUE;
}
gboolean isSeekable(GstBaseSrc*) {
    return TRUE;
}
gboolean getSize(GstBaseSrc* base, guint64* size) {
    const auto known = fetchOf(base).size();
    if (known) *size = *known;
    return known.has_value();
}
GstElementClass* parentClass = nullptr;

// The length in bytes as soon as it is known, also a chunked body's, learnt at its end (the
// base class asks only as it starts). The ring buffer sizes a read near the end by it; without
// it, such a read waits for the end of the stream, and queue2 drops an end that comes while its
// reader is flushing (a demuxer's seek), so the read would wait for good. Once known, the
// length never changes: a server that names another fails the item.
gboolean query(GstBaseSrc* base, GstQuery* query) {
    if (GST_QUERY_TYPE(query) == GST_QUERY_DURATION) {
        GstFormat format = GST_FORMAT_UNDEFINED;
        gst_query_parse_duration(query, &format, nullptr);
        if (format == GST_FORMAT_BYTES) {
            if (const auto size = fetchOf(base).size()) {
                gst_query_set_duration(query, GST_FORMAT_BYTES, gint64(*size));
                return TRUE;
            }
        }
    }
    return GST_BASE_SRC_CLASS(parentClass)->query(base, query);
}
gboolean doSeek(GstBaseSrc* base, GstSegment* segment) {
    if (segment->format != GST_FORMAT_BYTES) return FALSE;
    fetchOf(base).seek(segment->start);
    return TRUE;
}

void init(GTypeInstance* instance, gpointer) {
    auto* self = reinterpret_cast<MovuHttpSrc*>(instance);
    self->fetch = new std::shared_ptr<Fetch>(std::make_shared<Fetch>(GST_BASE_SRC(self)));
    gst_base_src_set_format(GST_BASE_SRC(self), GST_FORMAT_BYTES);
    gst_base_src_set_async(GST_BASE_SRC(self), TRUE);
    gst_base_src_set_automatic_eos(GST_BASE_SRC(self), FALSE);
    // The length is learnt from the first answer, after the pipeline first asked for it.
    gst_base_src_set_dynamic_size(GST_BASE_SRC(self), TRUE);
    ++platform::services::alive;
}

void finalize(GObject* object) {
    auto* self = reinterpret_cast<MovuHttpSrc*>(object);
    (*self->fetch)->stop();
    delete self->fetch;
    --platform::services::alive;
    G_OBJECT_CLASS(parentClass)->finalize(object);
}

void classInit(gpointer klass, gpointer) {
    parentClass = GST_ELEMENT_CLASS(g_type_class_peek_parent(klass));
    G_OBJECT_CLASS(klass)->finalize = &finalize;
    auto* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_add_static_pad_template(element, &srcTemplate);
    gst_element_class_set_static_metadata(element, "Movuroute HTTP source", "Source/Network",
                                          "Reads http(s) media through the program's network",
                                          "Movuroute");
    auto* base = GST_BASE_SRC_CLASS(klass);
    base->start = &start;
    base->stop = &stop;
    base->unlock = &unlock;
    base->unlock_stop = &unlockStop;
    base->is_seekable = &isSeekable;
    base->get_size = &getSize;
    base->do_seek = &doSeek;
    base->query = &query;
    GST_PUSH_SRC_CLASS(klass)->create = &create;
}

GstURIType uriType(GType) {
    return GST_URI_SRC;
}
const gchar* const* uriProtocols(GType) {
    static const gchar* const protocols[] = {"http", "https", nullptr};
    return protocols;
}
gchar* getUri(GstURIHandler* handler) {
    const std::string uri = fetchOf(handler).uri();
    return uri.empty() ? nullptr : g_strdup(uri.c_str());
}
gboolean setUri(GstURIHandler* handler, const gchar* uri, GError** error) {
    const auto url = uri ? platform::Url::parse(uri) : std::nullopt;
    if (!url || !platform::services::isWebUrl(*url)) {
        g_set_error(error, GST_URI_ERROR, GST_URI_ERROR_BAD_URI, "not a web address");
        return FALSE;
    }
    fetchOf(handler).setUri(uri);
    return TRUE;
}

void movuHttpSrcUriHandlerInit(gpointer iface, gpointer) {
    auto* handler = static_cast<GstURIHandlerInterface*>(iface);
    handler->get_type = &uriType;
    handler->get_protocols = &uriProtocols;
    handler->get_uri = &getUri;
    handler->set_uri = &setUri;
}

GType movuHttpSrcType() {
    static const GType type = [] {
        const GTypeInfo info{
            sizeof(MovuHttpSrcClass), nullptr, nullptr, &classInit, nullptr, nullptr,
            sizeof(MovuHttpSrc),      0,       &init,   nullptr};
        const GType registered =
            g_type_register_static(GST_TYPE_PUSH_SRC, "MovuHttpSrc", &info, GTypeFlags(0));
        const GInterfaceInfo handler{&movuHttpSrcUriHandlerInit, nullptr, nullptr};
        g_type_add_interface_static(registered, GST_TYPE_URI_HANDLER, &handler);
        return registered;
    }();
    return type;
}

}  // namespace

namespace platform::services {

bool registerGstHttpSource() {
    // Above libsoup's source (primary), so every http(s) item of ours comes through here; and
    // libsoup's is never chosen at all, not even for an item this one refuses.
    if (GstElementFactory* soup = gst_element_factory_find("souphttpsrc")) {
        gst_plugin_feature_set_rank(GST_PLUGIN_FEATURE(soup), GST_RANK_NONE);
        gst_object_unref(soup);
    }
    return gst_element_register(nullptr, "movuhttpsrc", GST_RANK_PRIMARY + 100, movuHttpSrcType());
}

std::size_t gstHttpSourcesAlive() {
    return alive.load();
}

}  // namespace platform::services
