// A Frequency page on the fake wave output, with its messages and block allocations recorded.
#pragma once

#include "pages/FrequencyPage.h"
#include "tests/support/FakeWaveOut.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace quilbo::test {

class PageFixture : public ::testing::Test {
protected:
    struct Message {
        QWidget* owner;
        QString text;
    };

    FakeWaveOut device;
    CFrequencyPage page{&device};
    std::vector<Message> messages;
    std::vector<std::size_t> allocations;

    void SetUp() override {
        page.setMessagePresenter([this](QWidget* owner, const QString& text) {
            messages.push_back({owner, text});
        });
        page.setBlockAllocator([this](std::size_t bytes) {
            allocations.push_back(bytes);
            return SampleBlock::allocate(bytes);
        });
        page.show();
        page.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&page));
    }

    template <typename W>
    W* control(int id) {
        auto* w = qobject_cast<W*>(page.control(id));
        EXPECT_NE(w, nullptr) << id;
        return w;
    }
    QLineEdit* edit(int id) { return control<QLineEdit>(id); }
    QComboBox* combo(int id) { return control<QComboBox>(id); }
    void setText(int id, const QString& text) { edit(id)->setText(text); }
    void setComboText(int id, const QString& text) { combo(id)->setEditText(text); }
    void play() { control<QAbstractButton>(CFrequencyPage::IDC_PLAY)->click(); }
    void stop() { control<QAbstractButton>(CFrequencyPage::IDC_STOP)->click(); }

    // Nothing was allocated, rendered or handed to the device.
    bool nothingRendered() const {
        return allocations.empty() && device.opens() == 0 &&
               device.callsOf(FakeWaveOut::Op::Write).empty();
    }

    // The block being played: the first piece starts at its first byte.
    const std::uint8_t* playedBlock() const {
        const auto writes = device.callsOf(FakeWaveOut::Op::Write);
        return writes.empty() ? nullptr : writes.front().data;
    }

    std::vector<std::int16_t> samples16(std::size_t first, std::size_t count) const {
        std::vector<std::int16_t> out(count);
        std::memcpy(out.data(), playedBlock() + first * 2, count * 2);
        return out;
    }

    // Sign changes of one channel of 16-bit stereo frames [first, first + count).
    int signChanges(std::size_t firstFrame, std::size_t count) const {
        const auto s = samples16(firstFrame * 2, count * 2);
        int changes = 0;
        for (std::size_t i = 2; i < s.size(); i += 2) {
            changes += (s[i] < 0) != (s[i - 2] < 0);
        }
        return changes;
    }
};

}  // namespace quilbo::test
