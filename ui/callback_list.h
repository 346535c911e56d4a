#pragma once
// The frame lists of the polled widget framework: every frame each widget reads the mouse and
// the model in the update pass and draws itself in the draw pass. Widgets take part in the
// passes through intrusive callback nodes kept in two lists that the main screen walks in
// order; pages take part through the two screen hooks.
#include <cstddef>

namespace quorva {

// One entry of a callback list, embedded in the widget it calls. `prev` is null while the
// node is in no list.
struct CallbackNode {
    CallbackNode* next = nullptr;
    CallbackNode* prev = nullptr;
    void* owner = nullptr;
    void (*callback)(CallbackNode& node) = nullptr;

    bool linked() const { return prev != nullptr; }

    // Makes the node call `Method` on `object`.
    template <class Owner, void (Owner::*Method)()>
    void bind(Owner& object)
    {
        owner = &object;
        callback = [](CallbackNode& node) { (static_cast<Owner*>(node.owner)->*Method)(); };
    }
};

// A list of callback nodes between a head and a tail sentinel; runs in order of appending.
class CallbackList {
public:
    CallbackList();
    CallbackList(const CallbackList&) = delete;
    CallbackList& operator=(const CallbackList&) = delete;

    // Inserts before the tail. A node already in a list is unlinked from it first.
    void append(CallbackNode& node);
    // Joins the node's neighbours; nothing when the node is in no list.
    static void unlink(CallbackNode& node);
    // Calls every node's callback from the first to the last. The next node is read before
    // each call, so a callback may unlink its own node.
    void walk();

    bool empty() const { return head_.next == &tail_; }
    size_t size() const;

private:
    CallbackNode head_;
    CallbackNode tail_;
};

// A page's share of a pass: called with its argument when set.
struct ScreenHook {
    void* argument = nullptr;
    void (*callback)(void* argument) = nullptr;

    void call() const
    {
        if (callback != nullptr) {
            callback(argument);
        }
    }
    void clear()
    {
        argument = nullptr;
        callback = nullptr;
    }
    bool set() const { return callback != nullptr; }

    // Makes the hook call `Method` on `object`.
    template <class Owner, void (Owner::*Method)()>
    void bind(Owner& object)
    {
        argument = &object;
        callback = [](void* self) { (static_cast<Owner*>(self)->*Method)(); };
    }
};

}  // namespace quorva
