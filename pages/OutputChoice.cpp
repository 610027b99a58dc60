// The shared output choice and the lists that show it.
#include "pages/OutputChoice.h"

#include "pages/PageSupport.h"

#include <QComboBox>
#include <QSignalBlocker>

#include <algorithm>

namespace quilbo {

OutputChoice::OutputChoice(OutputList* outputs, QObject* parent)
    : QObject(parent), m_outputs(outputs) {
    if (m_outputs != nullptr) {
        // The notice comes on the server client's thread; the list is read again here.
        m_outputs->setChangeHandler(
            [this, tasks = windowTasks(this)] { tasks->post([this] { refresh(); }); });
    }
    refresh();
}

OutputChoice::~OutputChoice() {
    if (m_outputs != nullptr) {
        m_outputs->setChangeHandler({});
    }
}

QString OutputChoice::defaultEntryText(const QString& defaultDescription) {
    return defaultDescription.isEmpty() ? tr("System default")
                                        : tr("System default (%1)").arg(defaultDescription);
}

void OutputChoice::choose(const std::string& sink) {
    if (sink != m_sink) {
        m_sink = sink;
        emit changed();
    }
}

void OutputChoice::refresh() {
    m_list = m_outputs != nullptr ? m_outputs->outputs() : std::vector<OutputInfo>{};
    m_default = m_outputs != nullptr ? m_outputs->defaultOutputName() : std::string();
    const bool present = std::any_of(m_list.begin(), m_list.end(),
                                     [this](const OutputInfo& o) { return o.name == m_sink; });
    if (!m_sink.empty() && !present) {
        m_sink.clear();
    }
    emit changed();
}

void OutputChoice::fill(QComboBox* box) const {
    const QSignalBlocker quiet(box);
    box->clear();
    QString defaultDescription;
    for (const OutputInfo& output : m_list) {
        if (output.name == m_default) {
            defaultDescription = QString::fromStdString(output.description);
        }
    }
    box->addItem(defaultEntryText(defaultDescription), QString());
    for (const OutputInfo& output : m_list) {
        box->addItem(QString::fromStdString(output.description),
                     QString::fromStdString(output.name));
    }
    box->setCurrentIndex(std::max(0, box->findData(QString::fromStdString(m_sink))));
}

void OutputChoice::bind(QComboBox* box) {
    fill(box);
    connect(this, &OutputChoice::changed, box, [this, box] { fill(box); });
    connect(box, &QComboBox::activated, this,
            [this, box](int index) { choose(box->itemData(index).toString().toStdString()); });
}

}  // namespace quilbo

#include "moc_OutputChoice.cpp"
