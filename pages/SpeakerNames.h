// The speakers' names, as every page that names one shows them.
#pragma once

#include <QCoreApplication>
#include <QString>

namespace quilbo {

class SpeakerNames {
    Q_DECLARE_TR_FUNCTIONS(SpeakerNames)

public:
    // The name of a channel in the pages' order (0 front left, 1 front right, 2 rear left,
    // 3 rear right, 4 centre, 5 low frequency); empty for any other.
    static QString of(int channel);
};

// The name of a check channel, as the pages show it.
inline QString speakerName(int channel) {
    return SpeakerNames::of(channel);
}

}  // namespace quilbo
