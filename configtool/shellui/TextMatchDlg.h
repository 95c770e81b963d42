#pragma once
// "字符匹配设置": what the monitor pane's "标记" command marks: a text, whole words only, and
// whether letter case counts. The values stay for the next run; Cancel keeps the previous ones.
#include <QDialog>
#include <string>

class QCheckBox;
class QLineEdit;

namespace qxm7740 {

class CTextMatchDlg : public QDialog {
    Q_OBJECT
public:
    explicit CTextMatchDlg(QWidget* parent = nullptr);

    const std::string& GetText() const { return m_strText; }
    bool IsWholeWord() const { return m_bWholeWord != 0; }
    bool IsMatchCase() const { return m_bMatchCase != 0; }

    void accept() override;
    void done(int result) override;

private:
    void LoadControls();

    std::string m_strText;
    int m_bWholeWord = 0;
    int m_bMatchCase = 0;
    QLineEdit* m_pEdit;
    QCheckBox* m_pWholeWord;
    QCheckBox* m_pMatchCase;
};

} // namespace qxm7740
