#include "app/Entry.h"

#include <cstdlib>

#include "app/Main.h"
#include "core/Program.h"
#include "dialogs/About.h"
#include "dialogs/Effecttable.h"
#include "dialogs/Seeting.h"
#include "effects/Show.h"
#include "gui/Application.h"

void Program::CreateWindows() {
  app.CreateForm(Form_Main, *this);
  app.CreateForm(FormEffectTable, *this);
  app.CreateForm(Form_Draw, *this);
  app.CreateForm(Form_Seeting, *this);
  app.CreateForm(FormAbout, *this);
}

int RunTavrin(platform::Platform& sys, gui::Backend& ui) {
  gui::Application app(sys, ui, "Tavrin");
  // The handle is never closed: the system releases the mutex when the
  // process ends, and with it the claim to be the running copy.
  sys.CreateMutexA(true, kInstanceMutexName);
  if (sys.GetLastError() == platform::error::kAlreadyExists) {
    app.MessageBox("Tavrin2002 already exists", "System Error", gui::kMbOk | gui::kMbIconStop);
    return 0;
  }
  Program program(app);
  // The show benchmark's trace, named by the environment it starts the
  // program in.
  if (const char* trace = std::getenv("TAVRIN_SHOW_TRACE"); trace && *trace)
    program.Trace.WriteTo(trace);
  try {
    app.Initialize();
    program.CreateWindows();
    app.Run();
  } catch (const std::exception& e) {
    app.ShowException(e.what());
  }
  app.DestroyForms();
  return 0;
}
