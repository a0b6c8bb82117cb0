// Reconocer, Enseñar… and Deshacer in the viewer, against a small reference
// set in a folder of the test's own.
#include <gtest/gtest.h>

#include "message_box_catcher.hpp"
#include "recognition_panel.hpp"
#include "teach_dialog.hpp"
#include "teaching.hpp"
#include "test_files.hpp"
#include "test_images.hpp"
#include "test_refset.hpp"
#include "viewer.hpp"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <functional>
#include <memory>

using glifora::test::catchMessageBox;
using glifora::test::SeenBox;
using vanto::Bitmap;
using namespace vanto::vecplan;
using namespace vanto::vecplan::test;

namespace {

Bitmap letterZ()
{
    return drawing({ "######", "....##", "...##.", "..##..", ".##...", "######" });
}

void damageTaughtPart(const std::string& refset, const std::string& builtIn)
{
    writeText(refset, builtIn + std::string(kTaughtMarker) + " 2\n\"Z\" x\n");
}

// What the teaching dialog showed when it came up, and what became of the
// character typed into it.
struct AnsweredDialog {
    bool seen = false;
    QString suggestion; // what it offered
    QString refusal; // what it said of the character typed
    bool accepted = false; // Return taught it
};

// Runs action; a teaching dialog that it opens is read, gets `typed` in
// place of what it offers, and Return; if that does not close it, it is
// cancelled. No test waits on the dialog.
AnsweredDialog answerTeachDialog(const std::function<void()>& action, const QString& typed)
{
    AnsweredDialog answer;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<vanto::TeachDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        answer.seen = true;
        QLineEdit* edit = dialog->characterEdit();
        answer.suggestion = edit->text();
        // What is offered is selected: what is typed replaces it.
        edit->insert(typed);
        answer.refusal = dialog->refusal();
        QTest::keyClick(edit, Qt::Key_Return);
        answer.accepted = !dialog->isVisible();
        if (dialog->isVisible())
            dialog->reject();
    });
    poll.start();
    action();
    poll.stop();
    return answer;
}

// A row's name in the test's name: its description, spaces and all as '_'.
template <typename Row> std::string rowName(const ::testing::TestParamInfo<Row>& info)
{
    std::string name;
    for (const char c : std::string(info.param.what))
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

QString accessibleDescription(QWidget* widget)
{
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Description) : QString();
}

// A viewer over a folder with the small reference set, as its tool directory.
class TeachingViewer : public ::testing::Test {
protected:
    void SetUp() override { writeText(refset, builtIn); }

    void open(const std::string& name, const Bitmap& bitmap)
    {
        imagePath = dir.file(name);
        writeText(imagePath, vanto::formatPlainPbm(bitmap));
        window = std::make_unique<vanto::ViewerWindow>(
            QString::fromStdString(imagePath), bitmap, QString::fromStdString(dir.path()));
        window->resize(900, 700);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    QAction* action(const QString& text) const
    {
        for (QAction* a : window->findChildren<QAction*>())
            if (QString(a->text()).remove('&').startsWith(text))
                return a;
        ADD_FAILURE() << "no action " << text.toStdString();
        return nullptr;
    }

    // The candidates as the panel lists them: character, distance.
    std::vector<std::pair<QString, QString>> shownCandidates() const
    {
        std::vector<std::pair<QString, QString>> rows;
        const auto* list = window->recognitionPanel()->findChild<QTreeWidget*>("candidatos");
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            rows.emplace_back(list->topLevelItem(i)->text(1), list->topLevelItem(i)->text(2));
        return rows;
    }

    std::vector<Reference> taught() const
    {
        const TaughtList list = listTaught(dir.path());
        EXPECT_TRUE(list.ok()) << list.error;
        return list.references;
    }

    ScratchDir dir;
    std::string refset = dir.file("refset.db");
    std::string builtIn = smallRefset();
    std::string imagePath;
    std::unique_ptr<vanto::ViewerWindow> window;
};

} // namespace

TEST_F(TeachingViewer, ReconocerShowsTheNearestCharactersToTheEyeAndToAScreenReader)
{
    // The set's own O: at no distance from its reference but the frame's
    // fixed cost, sqrt(kUnframedCost), the image being cropped close.
    open("aro.pbm", ring());
    EXPECT_FALSE(window->findChild<QDockWidget*>("panel-reconocimiento")->isVisible());
    QTest::keyClick(window.get(), Qt::Key_R);

    vanto::RecognitionPanel* panel = window->recognitionPanel();
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->character(), "O");
    const auto rows = shownCandidates();
    ASSERT_EQ(rows.size(), 3u); // one per character of the set
    EXPECT_EQ(rows[0], std::make_pair(QString("O"), QString("141,42")));
    EXPECT_NE(rows[1].second, "141,42");
    EXPECT_EQ(panel->findChild<QLabel*>("reconocido")->text(), "O");

    // A screen reader finds the result on the panel and on the image,
    // which has the focus.
    EXPECT_TRUE(accessibleDescription(panel).startsWith("Carácter reconocido: O. "))
        << accessibleDescription(panel).toStdString();
    for (const auto& [label, distance] : rows)
        EXPECT_TRUE(accessibleDescription(panel).contains(
            QString("%1 (distancia %2)").arg(label, distance)));
    EXPECT_TRUE(accessibleDescription(window->scrollArea()).contains("Carácter reconocido: O"))
        << accessibleDescription(window->scrollArea()).toStdString();

    // A recognition that fails leaves no stale result in sight.
    damageTaughtPart(refset, builtIn);
    catchMessageBox([&] { QTest::keyClick(window.get(), Qt::Key_R); });
    EXPECT_EQ(panel->character(), "");
    EXPECT_TRUE(shownCandidates().empty());
    EXPECT_TRUE(accessibleDescription(panel).startsWith("Sin resultado: "));
}

TEST_F(TeachingViewer, EnsenarAddsOneReferenceDeshacerTakesItBackAndTheResultFollows)
{
    open("zeta.pbm", letterZ());
    QTest::keyClick(window.get(), Qt::Key_R);
    const QString before = window->recognitionPanel()->character();
    ASSERT_NE(before, "Z"); // the set has no Z
    ASSERT_FALSE(action("Deshacer")->isEnabled());

    const AnsweredDialog answer = answerTeachDialog(
        [&] { QTest::keyClick(window.get(), Qt::Key_E, Qt::ControlModifier); }, "Z");
    ASSERT_TRUE(answer.seen);
    // The character recognised is offered.
    EXPECT_EQ(answer.suggestion, before);
    EXPECT_TRUE(answer.accepted) << answer.refusal.toStdString();

    const std::vector<Reference> one = taught();
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].label, "Z");
    EXPECT_EQ(one[0].image, recordedImagePath(imagePath));
    EXPECT_EQ(one[0].values, measureImage(letterZ()).features.values);
    EXPECT_TRUE(readText(refset).starts_with(builtIn));
    EXPECT_TRUE(window->statusBar()->currentMessage().contains("«Z»"))
        << window->statusBar()->currentMessage().toStdString();
    // The result shown is that of the references now.
    EXPECT_EQ(window->recognitionPanel()->character(), "Z");
    ASSERT_TRUE(action("Deshacer")->isEnabled());
    EXPECT_TRUE(action("Deshacer")->text().contains("«Z»"));

    // The window takes the keys again once the dialog is gone.
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(taught().empty());
    EXPECT_EQ(readText(refset), builtIn);
    EXPECT_FALSE(action("Deshacer")->isEnabled());
    EXPECT_EQ(window->recognitionPanel()->character(), before);
    EXPECT_EQ(dir.entries(), (std::vector<std::string> { "refset.db", "zeta.pbm" }));
}

// Regression: a taught "&" was read as an access key, and Deshacer's text
// in the menu lost it.
TEST_F(TeachingViewer, DeshacerNamesATaughtAmpersandAsItIs)
{
    open("y.pbm", letterZ());
    ASSERT_TRUE(window->teach("&"));
    EXPECT_EQ(action("Deshacer")->iconText(), "Deshacer: enseñar «&»");
    EXPECT_EQ(action("Deshacer")->toolTip(), "Deshacer: enseñar «&» (Ctrl+Z)");
}

// Each refusal is one Spanish box, and nothing in the folder changes.
struct Refusal {
    const char* what;
    std::function<void(const std::string& refset, const std::string& builtIn)> prepare;
    Bitmap image;
    std::function<void(vanto::ViewerWindow&)> act;
    const char* title;
    const char* expected; // part of the box's text
};

class TeachingRefusal : public TeachingViewer, public ::testing::WithParamInterface<Refusal> { };

TEST_P(TeachingRefusal, IsOneSpanishBoxAndChangesNothing)
{
    GetParam().prepare(refset, builtIn);
    open("imagen.pbm", GetParam().image);
    const auto entries = dir.entries();
    const std::string before = std::filesystem::exists(refset) ? readText(refset) : "";
    AnsweredDialog answer;
    const SeenBox box = catchMessageBox(
        [&] { answer = answerTeachDialog([&] { GetParam().act(*window); }, "Z"); });
    ASSERT_TRUE(box.seen);
    EXPECT_EQ(box.title, GetParam().title);
    EXPECT_EQ(box.icon, QMessageBox::Warning);
    EXPECT_TRUE(box.text.contains(GetParam().expected)) << box.text.toStdString();
    EXPECT_FALSE(box.text.contains('\n')) << box.text.toStdString();
    // Refused before a character is asked for.
    EXPECT_FALSE(answer.seen);
    EXPECT_EQ(dir.entries(), entries);
    EXPECT_EQ(std::filesystem::exists(refset) ? readText(refset) : "", before);
    EXPECT_FALSE(action("Deshacer")->isEnabled());
}

const auto kUntouched = [](const std::string&, const std::string&) {};

INSTANTIATE_TEST_SUITE_P(Viewer, TeachingRefusal,
    ::testing::Values(Refusal { "two characters", kUntouched, letterZ(),
                          [](vanto::ViewerWindow& w) { w.teach("ab"); }, "Enseñar",
                          "«ab» son 2 caracteres; se enseña uno solo." },
        Refusal { "damaged taught part", damageTaughtPart, letterZ(),
            [](vanto::ViewerWindow& w) { w.teach("Z"); }, "Enseñar", "no es válida: línea" },
        Refusal { "damaged taught part, asked", damageTaughtPart, letterZ(),
            [](vanto::ViewerWindow& w) { QTest::keyClick(&w, Qt::Key_E, Qt::ControlModifier); },
            "Enseñar", "no es válida: línea" },
        Refusal { "blank image, asked", kUntouched, drawing({ "....", "...." }),
            [](vanto::ViewerWindow& w) { QTest::keyClick(&w, Qt::Key_E, Qt::ControlModifier); },
            "Enseñar", "no tiene ningún píxel negro: no hay carácter que enseñar." },
        Refusal { "damaged taught part, recognised", damageTaughtPart, letterZ(),
            [](vanto::ViewerWindow& w) { QTest::keyClick(&w, Qt::Key_R); }, "Reconocer",
            "no es válida: línea" }),
    rowName<Refusal>);

TEST(TeachDialog, TakesOneCharacterAndSaysWhyAnythingElseIsRefused)
{
    const struct {
        QString typed; // over the character offered
        QString taught; // as it is taught, when it is
        const char* refusal; // part of what the dialog says, when it is not
    } cases[] = {
        // e and a combining accent: the one character é.
        { QString::fromUtf8("e\u0301"), QString::fromUtf8("é"), "" },
        { "ab", "", "«ab» son 2 caracteres" },
        { "", "", "Falta el carácter" },
    };
    for (const auto& c : cases) {
        vanto::TeachDialog dialog("<b>ocho</b>.pbm", "8");
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        // The file's name as it is, not read as markup.
        auto* question = dialog.findChildren<QLabel*>().front();
        EXPECT_TRUE(QAccessible::queryAccessibleInterface(question)
                        ->text(QAccessible::Name)
                        .contains("«<b>ocho</b>.pbm»"));
        QLineEdit* edit = dialog.characterEdit();
        EXPECT_EQ(edit->selectedText(), "8");
        edit->insert(c.typed);
        QTest::keyClick(edit, Qt::Key_Return);
        EXPECT_EQ(dialog.result() == QDialog::Accepted, !c.taught.isEmpty());
        EXPECT_EQ(dialog.character(), c.taught);
        EXPECT_TRUE(dialog.refusal().contains(c.refusal)) << dialog.refusal().toStdString();
        // Read with the field by a screen reader.
        EXPECT_EQ(edit->accessibleDescription(), dialog.refusal());
    }
}

// The recogniser's doubt, when it has one, is shown beside Enseñar… and said
// with the result, and goes with the next result that has none.
TEST(RecognitionPanel, ShowsADoubtBesideTheResultOnlyWhileThereIsOne)
{
    QAction teach("&Enseñar…"), undo("&Deshacer");
    vanto::RecognitionPanel panel(&teach, &undo);
    panel.show();
    Recognition result;
    result.ranking.candidates
        = { { "B", "Fuente/32px", 812.5 }, { "8", "Fuente/32px", 900.25 } };
    result.ranking.usual = 325;
    result.ranking.doubtful = true;
    panel.showRecognition(result);
    const auto* doubt = panel.findChild<QLabel*>("duda");
    EXPECT_TRUE(doubt->isVisible());
    const std::string said = "Dudoso: la imagen queda lejos de todas las referencias (a 2,5 veces "
                             "la distancia habitual entre referencias de un mismo carácter); "
                             "puede no ser ningún carácter conocido.";
    EXPECT_EQ(doubt->text().toStdString(), said);
    EXPECT_EQ(panel.summary().toStdString(),
        "Carácter reconocido: B. Los más cercanos: B (distancia 812,50); 8 (distancia "
        "900,25). "
            + said);
    result.ranking.doubtful = false;
    panel.showRecognition(result);
    EXPECT_FALSE(doubt->isVisible());
    EXPECT_FALSE(panel.summary().contains("lejos")) << panel.summary().toStdString();
}
