#pragma once
// What a program's link does when its open connection ends without the program closing it: the
// unit closed or reset it, or a send failed on it. The loss is taken once per connection, however
// many sends fail meanwhile, and handled after the event in progress through the transport's
// queued call, never inside a send or a receive: the handling closes the socket and may connect
// again, with its notice and its boxes.
#include "unitlink/LinkTransport.h"

#include <functional>

namespace unitlink {

class CLinkDrop {
public:
    // onLost runs on the link's thread for a lost connection that the program has not closed
    // meanwhile.
    explicit CLinkDrop(std::function<void()> onLost) : onLost_(std::move(onLost)) {}

    // A connection was made: its loss is taken again.
    void Opened();
    // The program closed the connection itself: a loss still queued for it does nothing.
    void Closed() { open_ = false; }
    // The connection is gone. True the first time for the open connection (the caller tells it
    // then, once); its handling is queued on the transport.
    bool Lose(ILinkTransport& transport);
    // The open connection was lost and its handling has not run yet: nothing more goes out on it.
    bool Lost() const { return open_ && lost_; }

private:
    std::function<void()> onLost_;
    unsigned connection_ = 0;
    bool open_ = false;
    bool lost_ = false;
};

} // namespace unitlink
