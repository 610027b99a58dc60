// The stored measurements' rows: the model decides where each goes and what a change does.
#include "pages/StoredMeasurementList.h"

#include "measure/Export.h"
#include "pages/FileMessages.h"
#include "pages/MeasureMessages.h"
#include "pages/StoredListReader.h"
#include "plot/PlotCurve.h"

#include <QFile>
#include <QHeaderView>
#include <QPixmap>
#include <QTreeWidget>

#include <algorithm>

namespace quilbo {

namespace {

constexpr int kIdRole = Qt::UserRole;
constexpr int kNameRole = Qt::UserRole + 1;

std::string idOf(const QTreeWidgetItem* item) {
    return item->data(0, kIdRole).toString().toStdString();
}

}  // namespace

StoredMeasurementList::StoredMeasurementList(QTreeWidget* list, MeasureModel& model, Warn warn,
                                             QObject* parent)
    : QObject(parent),
      m_list(list),
      m_model(model),
      m_warn(std::move(warn)),
      m_reader(new StoredListReader(this)) {
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    connect(m_list, &QTreeWidget::itemChanged, this, &StoredMeasurementList::onItemChanged);
    connect(m_reader, &StoredListReader::entryRead, this, &StoredMeasurementList::add);
    connect(m_reader, &StoredListReader::finished, this, &StoredMeasurementList::onReadDone);
}

void StoredMeasurementList::refresh() {
    m_filling = true;
    m_list->clear();
    m_filling = false;
    m_model.clearList();
    m_reader->read(m_model.store());
}

bool StoredMeasurementList::isReading() const {
    return m_reader->isReading();
}

void StoredMeasurementList::add(const MeasurementEntry& entry) {
    const StoredRowPlace place = m_model.list(entry);
    m_filling = true;
    if (place.replaced) {
        delete m_list->takeTopLevelItem(static_cast<int>(*place.replaced));
    }
    auto* row = new QTreeWidgetItem;
    m_list->insertTopLevelItem(static_cast<int>(place.at), row);
    row->setData(0, kIdRole, QString::fromStdString(entry.id));
    row->setText(1, QString::fromStdString(entry.date));
    const QBrush greyed = m_list->palette().brush(QPalette::Disabled, QPalette::Text);
    if (entry.readError != FileReadError::None) {
        // Named by its file so that the user can find it; nothing to check, rename or draw.
        const QString text = tr("%1: unreadable: %2")
                                 .arg(QString::fromStdString(entry.id),
                                      FileMessages::readReason(entry.readError, entry.readCode));
        row->setText(0, text);
        row->setToolTip(0, text);
        row->setForeground(0, greyed);
        m_filling = false;
        return;
    }
    row->setText(0, QString::fromStdString(entry.name));
    row->setData(0, kNameRole, QString::fromStdString(entry.name));
    if (!entry.ok) {
        row->setToolTip(0, entry.refusal.failed() ? MeasureMessages::problem(entry.refusal)
                                                  : QString::fromStdString(entry.problem));
        row->setForeground(0, greyed);
    }
    row->setFlags(row->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
    row->setCheckState(0, m_model.isChecked(entry.id) ? Qt::Checked : Qt::Unchecked);
    QPixmap swatch(12, 12);
    swatch.fill(plotColour(m_model.styleOf(entry.id), m_list->palette()));
    row->setIcon(0, QIcon(swatch));
    m_filling = false;
}

void StoredMeasurementList::onReadDone() {
    // Those gone from the folder are drawn no more.
    if (m_model.dropUnlisted()) {
        Q_EMIT drawnChanged();
    }
    Q_EMIT listed();
}

void StoredMeasurementList::setChecked(const std::string& id, bool checked) {
    if (QTreeWidgetItem* row = item(id)) {
        row->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
    }
}

QTreeWidgetItem* StoredMeasurementList::item(const std::string& id) const {
    const std::vector<std::string>& ids = m_model.listedIds();
    const auto found = std::find(ids.begin(), ids.end(), id);
    return found != ids.end() ? m_list->topLevelItem(static_cast<int>(found - ids.begin()))
                              : nullptr;
}

void StoredMeasurementList::rename(QTreeWidgetItem* row, const std::string& id) {
    const QString stored = row->data(0, kNameRole).toString();
    const QString name = row->text(0).trimmed();
    if (name == stored) {
        return;
    }
    const auto failed = name.isEmpty() ? std::nullopt : m_model.rename(id, name.toStdString());
    m_filling = true;
    row->setText(0, name.isEmpty() || failed ? stored : name);  // else the name the file says
    row->setData(0, kNameRole, row->text(0));
    m_filling = false;
    if (failed) {
        m_warn(tr("The measurement cannot be renamed: %1")
                   .arg(failed->unread ? MeasureMessages::load(*failed->unread)
                                       : FileMessages::reason(failed->written)));
    }
}

void StoredMeasurementList::onItemChanged(QTreeWidgetItem* row, int column) {
    if (m_filling || column != 0) {
        return;
    }
    const std::string id = idOf(row);
    rename(row, id);
    if (row->checkState(0) != Qt::Checked) {
        m_model.uncheck(id);
    } else if (const auto failed = m_model.check(id)) {
        m_filling = true;
        row->setCheckState(0, Qt::Unchecked);
        m_filling = false;
        m_warn(tr("The measurement cannot be read: %1").arg(MeasureMessages::load(*failed)));
        return;
    }
    Q_EMIT drawnChanged();
}

std::string StoredMeasurementList::chosen() {
    const QTreeWidgetItem* row = m_list->currentItem();
    if (row == nullptr) {
        m_warn(tr("Choose a stored measurement first."));
        return {};
    }
    return idOf(row);
}

void StoredMeasurementList::removeChosen() {
    const std::string id = chosen();
    if (id.empty()) {
        return;
    }
    if (const MeasureFailure error = m_model.remove(id); error.failed()) {
        m_warn(tr("The measurement cannot be deleted: %1").arg(MeasureMessages::problem(error)));
        refresh();  // whatever stands there now
    } else if (isReading()) {
        refresh();  // the pass under way may have read it before it went
    } else {
        delete m_list->currentItem();
    }
    Q_EMIT drawnChanged();
}

void StoredMeasurementList::exportChosen(bool impulse, const AskPath& askPath) {
    const std::string id = chosen();
    if (id.empty()) {
        return;
    }
    LoadResult loaded = m_model.store().load(id);
    if (!loaded.measurement) {
        m_warn(tr("The measurement cannot be read: %1").arg(MeasureMessages::load(loaded)));
        return;
    }
    const Measurement& m = *loaded.measurement;
    const QString path = impulse ? askPath(tr("Export impulse response"), tr("WAV files (*.wav)"))
                                 : askPath(tr("Export response"), tr("Text files (*.txt)"));
    if (path.isEmpty()) {
        return;
    }
    const std::string file = QFile::encodeName(path).toStdString();
    const FileWriteResult written = impulse ? exportImpulseWav(file, m.impulse, m.sweep.rate)
                                            : exportResponseText(file, m.response);
    if (written.error == FileWriteError::UnsupportedFormat && impulse) {
        m_warn(tr("A WAV file cannot hold a response at %1 Hz.").arg(m.sweep.rate));
    } else if (written.error == FileWriteError::TooLarge) {
        m_warn(tr("The response is too long for a WAV file."));
    } else if (!written) {
        m_warn(FileMessages::saveFailed(path, written));
    }
}

}  // namespace quilbo

#include "moc_StoredMeasurementList.cpp"
