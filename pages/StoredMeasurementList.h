// The Measure page's list of stored measurements: filled as the folder is read off the window
// thread, each row a measurement's name and date with its colour and check box, renamed in place,
// deleted or exported on request. What it lists and checks is the model's; the rows only show it.
#pragma once

#include "measuring/MeasureModel.h"

#include <QObject>
#include <QString>

#include <functional>
#include <string>

class QTreeWidget;
class QTreeWidgetItem;

namespace quilbo {

class StoredListReader;

class StoredMeasurementList : public QObject {
    Q_OBJECT

public:
    using Warn = std::function<void(const QString&)>;
    // Asks the user for a file to write: (title, filter) -> path, empty when cancelled.
    using AskPath = std::function<QString(const QString&, const QString&)>;

    // Neither the list nor the model is owned; both must outlive this. warn tells the user.
    StoredMeasurementList(QTreeWidget* list, MeasureModel& model, Warn warn, QObject* parent);

    // Reads the folder again, keeping the checks of those still there.
    void refresh();
    bool isReading() const;
    // A row for an entry read or saved; one of the same id is replaced.
    void add(const MeasurementEntry& entry);
    void setChecked(const std::string& id, bool checked);
    // Deletes the chosen measurement; the user is told when none is chosen or it stays.
    void removeChosen();
    // Writes the chosen measurement's impulse response (a WAV file) or response (a text file)
    // where the user says; the user is told why not when it cannot be.
    void exportChosen(bool impulse, const AskPath& askPath);
    // The chosen row's id; empty, and the user told, when none is chosen.
    std::string chosen();

Q_SIGNALS:
    // What is drawn has changed: a check, a name, a measurement gone.
    void drawnChanged();
    // The list is whole.
    void listed();

private:
    void onItemChanged(QTreeWidgetItem* item, int column);
    void onReadDone();
    void rename(QTreeWidgetItem* item, const std::string& id);
    QTreeWidgetItem* item(const std::string& id) const;

    QTreeWidget* m_list;
    MeasureModel& m_model;
    Warn m_warn;
    StoredListReader* m_reader;
    bool m_filling = false;  // set while rows change from here, not from the user
};

}  // namespace quilbo
