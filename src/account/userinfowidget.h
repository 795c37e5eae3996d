#pragma once
// The small frameless popup over the account icon: avatar, account line, user
// id and a sign-out button. The main window shows, fills and hides it.

#include <QDialog>
#include <QPixmap>
#include <QString>

class QLabel;
class QPushButton;

class UserInfoWidget : public QDialog {
    Q_OBJECT

public:
    explicit UserInfoWidget(QWidget *parent = nullptr);
    ~UserInfoWidget() override;

public slots:
    // Shows the picture at `path` as it is.
    void setHeaderImage(const QString &path);
    // Shows the picture scaled into the avatar box, keeping its proportions.
    void setHeaderImage(const QPixmap &pixmap);
    void setNickname(const QString &nickname, bool isPhone = false);
    void SetUserIDLbl(int id);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void signOut();

    QLabel *m_accountLabel = nullptr;
    QLabel *m_avatarLabel = nullptr;
    QLabel *m_idLabel = nullptr;
    QPushButton *m_signOutButton = nullptr;
};
