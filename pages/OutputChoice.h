// The output the pages play to: chosen in an "Output" list that every page with one shares, kept
// up to date as outputs come and go, for as long as the program runs.
#pragma once

#include "audio/OutputList.h"

#include <QObject>
#include <QString>

#include <string>
#include <vector>

class QComboBox;

namespace quilbo {

class OutputChoice : public QObject {
    Q_OBJECT

public:
    // The list is not owned and must outlive the choice; null offers the system default alone.
    explicit OutputChoice(OutputList* outputs, QObject* parent = nullptr);
    ~OutputChoice() override;

    // The chosen output's name; empty for the system default, whichever output that is.
    const std::string& sink() const { return m_sink; }
    void choose(const std::string& sink);

    // Asks the server for its outputs again; a chosen output that has gone falls back to the
    // system default.
    void refresh();

    // Fills box with "System default (name)" and every output by its description, selects the
    // choice, and keeps both in step from now on: the user's pick becomes everyone's choice.
    void bind(QComboBox* box);

    static QString defaultEntryText(const QString& defaultDescription);

signals:
    // The list or the choice has changed.
    void changed();

private:
    void fill(QComboBox* box) const;

    OutputList* m_outputs;
    std::string m_sink;
    std::vector<OutputInfo> m_list;
    std::string m_default;
};

}  // namespace quilbo
