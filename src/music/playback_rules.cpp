// Names of the rule sets, as tools and the shell take them on the command line.
#include "music/playback_rules.h"

namespace music {

bool parsePlaybackRules(std::string_view text, PlaybackRules& rules) {
    if (text == "engine") {
        rules = PlaybackRules::Engine;
        return true;
    }
    if (text == "ft2") {
        rules = PlaybackRules::FastTracker2;
        return true;
    }
    return false;
}

std::string_view playbackRulesName(PlaybackRules rules) {
    return rules == PlaybackRules::FastTracker2 ? "ft2" : "engine";
}

}  // namespace music
