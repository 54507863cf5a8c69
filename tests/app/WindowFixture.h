#pragma once

#include "DirectoryTreeModel.h"
#include "DragSource.h"
#include "FakePrompts.h"
#include "FilePane.h"
#include "FindBar.h"
#include "FolderPane.h"
#include "Main.h"
#include "MemoryRegistryStore.h"
#include "PakWriter.h"
#include "PreviewDialog.h"
#include "ProgressPanel.h"
#include "RunController.h"
#include "TestFiles.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <memory>

// A window with scripted dialogs, a store of its own and a folder for archives and targets: what
// the window's tests start from.
class TWindowFixture {
protected:
    // eventInterval: see TfrmMain::SetEventInterval (0: one file at a time, for exact steps).
    void SetUpWindow(int eventInterval) {
        FDir = std::make_unique<QTemporaryDir>();
        FPrompts = TFakePrompts();
        FStore = std::make_shared<MemoryRegistryStore>();
        FWindow = std::make_unique<TfrmMain>(FPrompts, FStore);
        FWindow->SetEventInterval(eventInterval);
    }
    void TearDownWindow() {
        FWindow.reset();
        FDir.reset();
    }

    // Writes the archive, opens it through the open command and waits for the load.
    void Open(TPakWriter& writer) {
        const QString path = FDir->filePath("archiv.pak");
        WriteFileBytes(path.toStdString(), writer.Finish());
        FPrompts.OpenAnswers.push_back(path);
        FWindow->OpenCommand();
        WaitIdle();
        QVERIFY(FWindow->ArchiveOpen());
    }
    // Selects the folder that a path of captions ("a/b") names, as a click in the tree does.
    void SelectDirectory(const QString& path) {
        const TDirNode* node = FWindow->DirectoryModel().Root()->FindCaptionPath(path);
        QVERIFY(node);
        FWindow->Folders().tvDirectories()->setCurrentIndex(
            FWindow->DirectoryModel().IndexOf(node));
    }
    // milliseconds: how long the job may take; a deep tree on a busy file system takes long.
    void WaitIdle(int milliseconds = 30000) {
        QTRY_VERIFY_WITH_TIMEOUT(!FWindow->Busy(), milliseconds);
    }
    QString Destination(const QString& name = "ziel") const { return FDir->filePath(name); }

    std::unique_ptr<QTemporaryDir> FDir;
    TFakePrompts FPrompts;
    std::shared_ptr<MemoryRegistryStore> FStore; // the window's, kept for a window after it
    std::unique_ptr<TfrmMain> FWindow;
};
