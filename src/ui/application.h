// The application: its main form, the message loop, ProcessMessages and the standard
// report of an error that escapes a handler.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace yv::ui {

class Form;

// Registers the window classes and common controls; call once before any form exists.
void InitializeApplication(HINSTANCE instance);
HINSTANCE Instance();

// The main form: when its window is destroyed the message loop ends.
void SetMainForm(Form* form);
Form* MainForm();
// The application's own top-level window (the main form's window), or nullptr.
HWND ApplicationWindow();

// Runs the message loop until the main form's window is destroyed; returns the exit
// code given to EndApplication (0 unless set).
int RunMessageLoop();
void SetExitCode(int code);

// Services all pending messages of the thread, as a long operation does to keep its
// windows alive. A WM_QUIT found here is put back for the outer loop.
void ProcessMessages();

// Dispatches one message: keyboard navigation of the form it is aimed at, then the
// window procedure.
void DispatchOne(MSG& msg);

// The standard report of an error that escaped a handler: a message box with the
// error's text, caption "Setup", owned by the application window.
void ReportException(const std::exception& error);

}  // namespace yv::ui
