#pragma once

#include "NavigationHistory.h"

#include <QWidget>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QStackedWidget;
class QToolButton;
class TDirectoryTreeModel;
class TPrompts;
struct TDirNode;

// The bar above the file list: "Zurück", "Vor" and "Nach oben" (Alt+←, Alt+→, Alt+↑ and
// Backspace, the buttons, the mouse's side buttons anywhere in the window), and the path of
// the folder shown as buttons, the archive's name first. A click into its empty part or F6
// makes it a field to type a path into, with the folders of the archive to complete it.
//
// The bar chooses no folder itself: it asks for one (FolderWanted), and hears of every folder
// chosen, by whatever means, through ShowFolder. It refers to the tree's nodes, so it lets go
// of them (Forget) before the tree goes.
class TPathBar : public QWidget {
    Q_OBJECT
public:
    TPathBar(TDirectoryTreeModel& tree, TPrompts& prompts, QWidget* parent);
    ~TPathBar() override;

    QAction* acBack() const { return FBack; }
    QAction* acForward() const { return FForward; }
    QAction* acUp() const { return FUp; }
    // F6: the path as text to edit.
    QAction* acEditPath() const { return FEditPath; }
    QLineEdit* edPath() const { return FEdit; }
    // The path's buttons that are shown, the archive's first.
    std::vector<QToolButton*> Crumbs() const;
    bool Editing() const;

    // A folder was chosen: the bar shows its path, and it is a step of the history unless the
    // bar asked for it by going back or ahead.
    void ShowFolder(const TDirNode* node);
    // The tree goes: no path, no history.
    void Forget();

    void GoBack();
    void GoForward();
    void GoUp();
    void StartEditing();
    // The folder a typed path names, relative to the archive's root ("a/b", a leading "/" or the
    // archive's name before it may be given); a path the archive does not hold is said so in a
    // message, and the folder stays. Returns whether the folder was found.
    bool GoToPath(const QString& path);

signals:
    void FolderWanted(const TDirNode* node);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateActions();
    void Go(const TDirNode* node, bool step);
    void StopEditing();
    void BuildCrumbs();
    // Leaves out the folders nearest the archive's name until the rest fits the bar.
    void FitCrumbs();
    void UpdateActions();

    TDirectoryTreeModel& FTree;
    TPrompts& FPrompts;
    TNavigationHistory FHistory;
    bool FFromHistory = false; // the folder asked for is a step back or ahead
    QAction* FBack = nullptr;
    QAction* FForward = nullptr;
    QAction* FUp = nullptr;
    QAction* FEditPath = nullptr;
    QStackedWidget* FStack = nullptr;
    QWidget* FCrumbArea = nullptr;
    QLabel* FElided = nullptr;         // "…" in place of the folders left out
    std::vector<QToolButton*> FCrumbs; // the root's first
    std::vector<QLabel*> FSeparators;  // before each crumb but the root's (null there)
    bool FCapped = false;              // the path is deeper than its buttons
    bool FAsking = false;              // a message about the typed path is open
    QLineEdit* FEdit = nullptr;
};
