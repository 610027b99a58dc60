// Save: a checked request written to a WAV file the user names, with the messages of a save that
// cannot be made.
#pragma once

#include "pages/FrequencyRequest.h"

#include <QCoreApplication>
#include <QString>

#include <cstdint>

class QWidget;

namespace quilbo {

class WaveSaver {
    Q_DECLARE_TR_FUNCTIONS(WaveSaver)

public:
    // Why the request cannot be a WAV file at all; empty when it can.
    static QString refusal(const FrequencyRequest& request);
    // Writes the rendered block to path; the message for the user when it could not.
    static QString write(const QString& path, const std::uint8_t* block,
                         const FrequencyRequest& request);
    // The program's file dialog; an empty name when the user cancels.
    static QString askName(QWidget* parent, const QString& suggested);

    static QString tooLargeText();
};

}  // namespace quilbo
