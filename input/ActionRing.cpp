#include "input/ActionRing.h"

namespace pellam::input {

bool ActionRing::push(const ActionItem1& item) {
    ActionItem1& slot = KeyInputBuffer[bufferoffset];
    if (slot.theAction != kNoCommand) return false;  // full: the oldest unread entry lives here
    slot = item;
    if (slot.theAction == kNoCommand) slot.theAction = kUnboundCommand;
    bufferoffset = (bufferoffset + 1) % kSlots;
    return true;
}

const ActionItem1* ActionRing::getNextActionInBuffer() {
    ActionItem1& slot = KeyInputBuffer[NextFromBuffer];
    if (slot.theAction == kNoCommand) return nullptr;
    ExportItem = slot;
    slot.theAction = kNoCommand;
    NextFromBuffer = (NextFromBuffer + 1) % kSlots;
    return &ExportItem;
}

const ActionItem1* ActionRing::checkForNextActionInBuffer() {
    const ActionItem1& slot = KeyInputBuffer[NextFromBuffer];
    if (slot.theAction == kNoCommand) return nullptr;
    ExportItem = slot;
    return &ExportItem;
}

void ActionRing::clearActionBuffer() {
    for (ActionItem1& slot : KeyInputBuffer) {
        slot.theAction = kNoCommand;
        slot.RawKeyPress = 0;
        slot.UniCodeKey.PrimaryKeyStroke = 0;
        slot.UniCodeKey.SecondaryKeyStroke = 0;
    }
    NextFromBuffer = 0;
    bufferoffset = 0;
}

int ActionRing::unreadCount() const {
    int n = 0;
    for (const ActionItem1& slot : KeyInputBuffer) n += slot.theAction != kNoCommand;
    return n;
}

}  // namespace pellam::input
