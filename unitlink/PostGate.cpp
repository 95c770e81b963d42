#include "unitlink/PostGate.h"

namespace unitlink {

CPostGate::CPostGate(std::function<void(Call)> queue) : state_(std::make_shared<State>()) {
    state_->queue = std::move(queue);
}

CPostGate::~CPostGate() = default;

void CPostGate::Queue(const std::shared_ptr<State>& state, Call call) {
    // The queued call holds the gate weakly: one still queued when the program ends runs as
    // it stands (if its queue runs it at all).
    state->queue([weak = std::weak_ptr<State>(state), call = std::move(call)] {
        const std::shared_ptr<State> s = weak.lock();
        if (s && s->depth > 0) {
            s->held.push_back(call);
            return;
        }
        call();
    });
}

void CPostGate::Post(Call call) {
    Queue(state_, std::move(call));
}

void CPostGate::Hold() {
    ++state_->depth;
}

void CPostGate::Release() {
    if (state_->depth == 0 || --state_->depth > 0)
        return;
    std::vector<Call> held;
    held.swap(state_->held);
    for (Call& call : held)
        Queue(state_, std::move(call));
}

bool CPostGate::Holding() const {
    return state_->depth > 0;
}

std::size_t CPostGate::HeldCount() const {
    return state_->held.size();
}

} // namespace unitlink
