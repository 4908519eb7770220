// The shared silent sample and instrument.
#include "music/module.h"

namespace music {

Sample& emptySample() {
    static Sample sample;
    return sample;
}

Instrument& emptyInstrument() {
    static Instrument instrument = [] {
        Instrument empty;
        empty.samples.fill(&emptySample());
        return empty;
    }();
    return instrument;
}

}  // namespace music
