#include "CTrawlerApp.h"
#include "Language.h"

#include "prompt/WidgetPrompter.h"
#include "skin/SkinStyle.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The skin goes on before anything is built, so every window takes it.
    skin::installSkin(app);
    installTranslations(app, uiLanguage());
    WidgetPrompter prompter;
    CTrawlerApp theApp(prompter);
    if (!theApp.InitInstance(QApplication::arguments().mid(1)))
        return 1;
    return app.exec();
}
