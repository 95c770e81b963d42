#pragma once
// The queued calls of a program that talks to the unit (the boxes its link shows once the event in
// hand is done), held back while a connection attempt runs. The attempt runs the event loop (its
// notice is drawn, its retry question is open), and a box posted before it must not open inside it:
// the box would hold the attempt, and with it the reconnection of an unattended link, until someone
// answers. Held calls are queued again, in their order, when the attempt has ended.
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace unitlink {

class CPostGate {
public:
    using Call = std::function<void()>;
    // queue runs a call on the program's thread once the event in hand is done.
    explicit CPostGate(std::function<void(Call)> queue);
    ~CPostGate();
    CPostGate(const CPostGate&) = delete;
    CPostGate& operator=(const CPostGate&) = delete;

    // Queues call; when it comes to run while a connection attempt is going on, it is held.
    void Post(Call call);
    // A connection attempt begins and ends (attempts may nest).
    void Hold();
    void Release();
    bool Holding() const;
    // Calls held now.
    std::size_t HeldCount() const;

    // Holds the gate (when there is one) while it lives.
    class CHold {
    public:
        explicit CHold(CPostGate* gate) : gate_(gate) {
            if (gate_)
                gate_->Hold();
        }
        ~CHold() {
            if (gate_)
                gate_->Release();
        }
        CHold(const CHold&) = delete;
        CHold& operator=(const CHold&) = delete;

    private:
        CPostGate* gate_;
    };

private:
    struct State {
        std::function<void(Call)> queue;
        int depth = 0;
        std::vector<Call> held;
    };
    static void Queue(const std::shared_ptr<State>& state, Call call);
    std::shared_ptr<State> state_;
};

} // namespace unitlink
