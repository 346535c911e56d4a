#include "ui/callback_list.h"

namespace quorva {

CallbackList::CallbackList()
{
    head_.next = &tail_;
    tail_.prev = &head_;
}

void CallbackList::append(CallbackNode& node)
{
    unlink(node);
    CallbackNode* last = tail_.prev;
    node.prev = last;
    node.next = &tail_;
    last->next = &node;
    tail_.prev = &node;
}

void CallbackList::unlink(CallbackNode& node)
{
    if (node.prev == nullptr) {
        return;
    }
    node.prev->next = node.next;
    node.next->prev = node.prev;
    node.prev = nullptr;
    node.next = nullptr;
}

void CallbackList::walk()
{
    CallbackNode* node = head_.next;
    while (node != &tail_) {
        CallbackNode* following = node->next;
        if (node->callback != nullptr) {
            node->callback(*node);
        }
        node = following;
    }
}

size_t CallbackList::size() const
{
    size_t count = 0;
    for (const CallbackNode* node = head_.next; node != &tail_; node = node->next) {
        ++count;
    }
    return count;
}

}  // namespace quorva
