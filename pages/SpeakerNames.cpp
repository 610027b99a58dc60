// The speakers' names in the interface language.
#include "pages/SpeakerNames.h"

namespace quilbo {

QString SpeakerNames::of(int channel) {
    switch (channel) {
        case 0:
            return tr("Front left");
        case 1:
            return tr("Front right");
        case 2:
            return tr("Rear left");
        case 3:
            return tr("Rear right");
        case 4:
            return tr("Centre");
        case 5:
            return tr("Subwoofer (LFE)");
        default:
            return QString();
    }
}

}  // namespace quilbo
