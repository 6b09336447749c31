#pragma once

#include <QString>
#include <QStringList>

#include <deque>
#include <utility>
#include <vector>

#include "ui/UserDialogs.h"

namespace corvane {

// Dialogs the test answers: each file dialog returns the next queued path (empty, as on
// Cancel, when none is queued); every message and file request is recorded.
class AnsweringDialogs final : public UserDialogs {
  public:
    struct FileRequest {
        bool save;
        QString title;
        QString filter;
    };

    void answerNextFile(QString path) { m_answers.push_back(std::move(path)); }

    const QStringList& messages() const { return m_messages; }
    const std::vector<FileRequest>& fileRequests() const { return m_requests; }

    void showMessage(QWidget*, const QString& text) override { m_messages.append(text); }
    QString chooseOpenFile(QWidget*, const QString& title, const QString& filter) override {
        return answer({false, title, filter});
    }
    QString chooseSaveFile(QWidget*, const QString& title, const QString& filter) override {
        return answer({true, title, filter});
    }

  private:
    QString answer(FileRequest request) {
        m_requests.push_back(std::move(request));
        if (m_answers.empty()) {
            return {};
        }
        QString path = std::move(m_answers.front());
        m_answers.pop_front();
        return path;
    }

    std::deque<QString> m_answers;
    QStringList m_messages;
    std::vector<FileRequest> m_requests;
};

}  // namespace corvane
