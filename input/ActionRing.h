#pragma once
// The 32-slot action ring: every discrete input (keys, mouse buttons, joystick buttons and hat)
// as a command entry, taken by the game loop at most four a frame. First in, first out; when all
// 32 slots hold unread entries a new entry is dropped, so nothing unread is overwritten and the
// order is kept. A slot is unread exactly while its theAction is not 0.
#include <array>

#include "input/Commands.h"

namespace pellam::input {

class ActionRing {
public:
    static constexpr int kSlots = 32;

    // Writes `item` at the write index and advances it. False (and nothing written) when full.
    // An entry with command 0 would read as an empty slot: it is written as 95.
    bool push(const ActionItem1& item);

    // Takes the oldest unread entry; null when the ring is empty. The answer stays valid until the
    // next take or peek.
    const ActionItem1* getNextActionInBuffer();
    // The oldest unread entry without taking it; null when empty.
    const ActionItem1* checkForNextActionInBuffer();
    void clearActionBuffer();

    bool empty() const { return KeyInputBuffer[NextFromBuffer].theAction == CommandNumber::None; }
    int unreadCount() const;
    // The oldest unread slot itself (the key capture copies it); null when empty.
    const ActionItem1* oldestUnread() const { return empty() ? nullptr : &KeyInputBuffer[NextFromBuffer]; }
    int writeIndex() const { return bufferoffset; }
    int readIndex() const { return NextFromBuffer; }

private:
    std::array<ActionItem1, kSlots> KeyInputBuffer{};
    int bufferoffset = 0;    // next slot written
    int NextFromBuffer = 0;  // oldest slot not yet taken
    ActionItem1 ExportItem;
};

}  // namespace pellam::input
