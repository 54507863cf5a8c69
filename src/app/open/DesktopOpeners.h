#pragma once

class QUrl;
class QWidget;

// The desktop's ways to open a file: true when the desktop took it.
//
// Its default program for the file's type.
bool OpenWithDefaultProgram(const QUrl& url);
// A chooser of the program, where the desktop has one: the desktop portal's OpenURI asked to
// let the user choose ("ask"), given the file as an open descriptor, so that it reaches a
// program in a sandbox too. Without a portal (or when it refuses), the default program.
bool OpenWithChosenProgram(const QUrl& url, QWidget* window);
