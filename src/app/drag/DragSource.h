#pragma once

#include <QObject>
#include <memory>
#include <vector>

class ICommandRunner;
class QMimeData;
class QWidget;
class TArchiveSession;
class TPrompts;
class TRunController;
class TStatusLine;
struct TDirNode;
struct TDragCopy;

// Dragging files out of the archive, to a file manager or the desktop. Nothing is written until
// a drop target asks for the files: then the run controller extracts them below a temporary
// folder (the panel shows, with its cancel, when that takes long), and the drag offers them as
// a list of file URLs. The copy goes once the drop has been handled (when the drag's data goes),
// at the latest when the next drag starts, the archive is closed or the window goes.
class TDragSource : public QObject {
    Q_OBJECT
public:
    TDragSource(TArchiveSession& session, TRunController& runs, ICommandRunner& runner,
                TPrompts& prompts, TStatusLine& status, QWidget* window);
    ~TDragSource() override;

    // What a drag of these entries offers: their files, extracted below a temporary folder once
    // a drop target asks for them (by a run that the drop waits for), and removed when the data
    // goes. Entries are files of the list; a folder node brings everything below it. Refused
    // with a message (nullptr) when the files would not fit into the temporary folder.
    QMimeData* CreateDragData(const std::vector<int32_t>& entries, const TDirNode* folder);
    // Runs a drag of these entries or of folder, as the views start it.
    void StartDrag(const std::vector<int32_t>& entries, const TDirNode* folder);
    // The copies of earlier drags go, and their data offers nothing any more.
    void RemoveDragCopies();

private:
    bool Busy() const;
    // A drop target asks for a drag's files: they are written, and the drop waits for them.
    void WriteDragCopy(TDragCopy& copy);

    TArchiveSession& FSession;
    TRunController& FRuns;
    ICommandRunner& FRunner;
    TPrompts& FPrompts;
    TStatusLine& FStatus;
    QWidget* FWindow;
    // The drags whose data may still be asked for, or whose copies may still be in use.
    std::vector<std::weak_ptr<TDragCopy>> FDragCopies;
};
