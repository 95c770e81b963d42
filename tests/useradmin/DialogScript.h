#pragma once
// Fills and closes the program's dialogs by their object names instead of running them.
#include "platform/ui/WidgetPrompt.h"

#include <functional>
#include <map>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <string>
#include <vector>

class DialogScript {
public:
    using Handler = std::function<void(QDialog&)>;

    DialogScript() {
        platform::SetDialogRunner([this](QDialog& d) {
            std::string name = d.objectName().toStdString();
            seen.push_back(name);
            auto it = handlers_.find(name);
            if (it == handlers_.end() || it->second.empty()) {
                d.reject();
            } else {
                Handler h = it->second.front();
                it->second.erase(it->second.begin());
                h(d);
            }
            return d.result();
        });
    }
    ~DialogScript() { platform::SetDialogRunner(nullptr); }

    // Handlers for the next dialogs of that name, in order; a dialog without one is cancelled.
    void On(const std::string& name, Handler h) { handlers_[name].push_back(std::move(h)); }

    static void Click(QDialog& d, const char* button) { d.findChild<QPushButton*>(button)->click(); }
    static void SetText(QDialog& d, const char* edit, const std::string& text) {
        auto* e = d.findChild<QLineEdit*>(edit);
        e->clear();
        e->insert(platform::Qs(text));
    }
    static void Check(QDialog& d, const char* box, bool on) { d.findChild<QCheckBox*>(box)->setChecked(on); }
    static void ChooseGroup(QDialog& d, const std::string& name) {
        auto* list = d.findChild<QListWidget*>("groupList");
        auto found = list->findItems(platform::Qs(name), Qt::MatchExactly);
        list->setCurrentItem(found.back());
    }
    static void Login(QDialog& d, const std::string& user, const std::string& password) {
        auto* combo = d.findChild<QComboBox*>("userCombo");
        combo->setCurrentIndex(combo->findText(platform::Qs(user)));
        SetText(d, "passwordEdit", password);
        Click(d, "okButton");
    }

    std::vector<std::string> seen;

private:
    std::map<std::string, std::vector<Handler>> handlers_;
};
