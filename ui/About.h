#pragma once

#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QUrl>

namespace ui {

class Dialogues;

/// The author's details shown and linked by the about box.
namespace auteur {
inline const char* const kAdresseMail = "zib.plovar@example.org";
inline const char* const kSiteWeb = "https://plovar.example.org/";
inline const char* const kSujetMail = "Plovar 1.02";
inline const char* const kLigneAuteur = "Zib - décembre 2026";
} // namespace auteur

/// The about box: product name, version, author line and two links whose
/// labels underline while the pointer is over their zone.
class About : public QDialog {
    Q_OBJECT
public:
    explicit About(Dialogues* dialogues, QWidget* parent = nullptr);

    /// Link texts handed to the desktop.
    static QUrl lienMail();
    static QUrl lienSite();

    void envoie_mail();
    void ouvre_site();

    QFrame* Frame1 = nullptr;
    QLabel* Image3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label5 = nullptr;
    QFrame* Mail = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QFrame* SiteZib = nullptr;
    QLabel* Image2 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* Command1 = nullptr;

protected:
    bool eventFilter(QObject* o, QEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    static void souligne(QLabel* l, bool oui);
    Dialogues* m_dialogues;
};

} // namespace ui
