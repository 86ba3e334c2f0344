// What this effect remembers of an instance's parameter UI, kept in the live form of its
// sequence data (the effect's bytes of AEUtil/SeqHeader.h, at offsets 24..31 of the block):
// the "Distance Between" choice it last saw, so that a change of that choice can convert
// the dot distances.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include "AEUtil/SeqHeader.h"

namespace Look {

struct SequenceUIState {
    uint8_t uiStateSet;      // 1 once the "Distance Between" choice has been remembered
    uint8_t padding[3];
    int32_t distanceChoice;  // remembered "Distance Between" choice (1 Dots, 2 Centers)
};

static_assert(sizeof(SequenceUIState) == sizeof(SeqHeader::effectState),
              "the UI state fills the effect's bytes of the sequence data");
static_assert(offsetof(SequenceUIState, distanceChoice) == 4, "UI state layout");

inline SequenceUIState ReadUIState(const SeqHeader& header) {
    SequenceUIState state;
    std::memcpy(&state, header.effectState, sizeof state);
    return state;
}

inline void WriteUIState(SeqHeader& header, const SequenceUIState& state) {
    std::memcpy(header.effectState, &state, sizeof state);
}

}  // namespace Look
