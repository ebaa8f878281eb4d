#include "input/ActionRing.h"

namespace pellam::input {

bool ActionRing::push(const ActionItem1& item) {
    ActionItem1& slot = KeyInputBuffer[bufferoffset];
    if (slot.theAction != CommandNumber::None) return false;  // full: the oldest unread entry lives here
    slot = item;
    if (slot.theAction == CommandNumber::None) slot.theAction = CommandNumber::Unbound;
    bufferoffset = (bufferoffset + 1) % kSlots;
    return true;
}

const ActionItem1* ActionRing::getNextActionInBuffer() {
    ActionItem1& slot = KeyInputBuffer[NextFromBuffer];
    if (slot.theAction == CommandNumber::None) return nullptr;
    ExportItem = slot;
    slot.theAction = CommandNumber::None;
    NextFromBuffer = (NextFromBuffer + 1) % kSlots;
    return &ExportItem;
}

const ActionItem1* ActionRing::checkForNextActionInBuffer() {
    const ActionItem1& slot = KeyInputBuffer[NextFromBuffer];
    if (slot.theAction == CommandNumber::None) return nullptr;
    ExportItem = slot;
    return &ExportItem;
}

void ActionRing::clearActionBuffer() {
    for (ActionItem1& slot : KeyInputBuffer) {
        slot.theAction = CommandNumber::None;
        slot.RawKeyPress = 0;
        slot.UniCodeKey.PrimaryKeyStroke = 0;
        slot.UniCodeKey.SecondaryKeyStroke = 0;
    }
    NextFromBuffer = 0;
    bufferoffset = 0;
}

int ActionRing::unreadCount() const {
    int n = 0;
    for (const ActionItem1& slot : KeyInputBuffer) n += slot.theAction != CommandNumber::None;
    return n;
}

}  // namespace pellam::input
