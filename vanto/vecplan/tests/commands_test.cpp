// VECPLAN.EXE's forms that teach, list and forget, run as the tool runs
// them, in a directory of their own.
#include "commands.hpp"
#include "teaching.hpp"
#include "test_files.hpp"
#include "test_images.hpp"
#include "test_refset.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace vanto::vecplan;
using namespace vanto::vecplan::test;

namespace {

struct Outcome {
    int status;
    std::string out;
};

struct Tool {
    ScratchDir dir;
    std::string refset = dir.file("refset.db");
    std::string builtIn = smallRefset();

    Tool()
    {
        writeText(refset, builtIn);
        std::filesystem::create_directory(dir.file("imágenes"));
        image(
            "zeta 1.pbm", drawing({ "######", "....##", "...##.", "..##..", ".##...", "######" }));
        image("zeta 2.pbm", enlarged(drawing({ "####", "..#.", ".#..", "####" }), 2));
        image("blanca.pbm", drawing({ "....", "...." }));
    }

    std::string image(const std::string& name, const vanto::Bitmap& bitmap) const
    {
        const std::string path = dir.file("imágenes/" + name);
        writeText(path, vanto::formatPlainPbm(bitmap));
        return path;
    }

    std::string imagePath(const std::string& name) const
    {
        return recordedImagePath(dir.file("imágenes/" + name));
    }

    Outcome run(const std::vector<std::string>& args) const
    {
        std::ostringstream out;
        const int status = runCommand(args, dir.path(), out);
        return { status, out.str() };
    }

    std::vector<std::string> lines(const Outcome& r) const
    {
        std::vector<std::string> lines;
        std::istringstream in(r.out);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
};

} // namespace

TEST(Commands, AprendeSaysWhatBecameOfEachImageInOrderThenSums)
{
    Tool tool;
    const Outcome r = tool.run({ "--aprende", "Z", tool.dir.file("imágenes/zeta 1.pbm"),
        tool.dir.file("imágenes/no-existe.pbm"), tool.dir.file("imágenes/blanca.pbm"),
        tool.dir.file("imágenes/zeta 2.pbm") });
    EXPECT_EQ(r.status, kNotAll);
    const std::vector<std::string> lines = tool.lines(r);
    ASSERT_EQ(lines.size(), 5u) << r.out;
    EXPECT_EQ(lines[0], "Añadida una referencia de «Z»: " + tool.imagePath("zeta 1.pbm") + ".");
    EXPECT_TRUE(lines[1].starts_with(
        "No se puede leer «" + tool.dir.file("imágenes/no-existe.pbm") + "»: no existe el fichero"))
        << lines[1];
    EXPECT_EQ(lines[2],
        "La imagen " + tool.imagePath("blanca.pbm")
            + " no tiene ningún píxel negro: no hay carácter que enseñar.");
    EXPECT_EQ(lines[3], "Añadida una referencia de «Z»: " + tool.imagePath("zeta 2.pbm") + ".");
    EXPECT_EQ(lines[4], "Enseñado «Z» con 4 imágenes: 2 añadidas, 2 rechazadas.");

    const TaughtList taught = listTaught(tool.dir.path());
    ASSERT_EQ(taught.references.size(), 2u);
    EXPECT_EQ(taught.references[1].image, tool.imagePath("zeta 2.pbm"));
    EXPECT_TRUE(readText(tool.refset).starts_with(tool.builtIn));
    EXPECT_FALSE(std::filesystem::exists(tool.dir.file("resvec.txt")));

    // Again: nothing added twice, and that is no failure.
    const Outcome again = tool.run({ "--aprende", "Z", tool.dir.file("imágenes/zeta 1.pbm") });
    EXPECT_EQ(again.status, kDone) << again.out;
    EXPECT_NE(again.out.find("1 ya estaba, 0 rechazadas"), std::string::npos) << again.out;
    EXPECT_EQ(listTaught(tool.dir.path()).references.size(), 2u);
}

TEST(Commands, ListsForgetsByImageByCharacterAndAll)
{
    Tool tool;
    ASSERT_EQ(tool.run({ "--aprende", "Z", tool.dir.file("imágenes/zeta 1.pbm"),
                           tool.dir.file("imágenes/zeta 2.pbm") })
                  .status,
        kDone);
    ASSERT_EQ(tool.run({ "--aprende", "2", tool.dir.file("imágenes/zeta 2.pbm") }).status, kDone);

    const Outcome listed = tool.run({ "--enseñadas" });
    EXPECT_EQ(listed.status, kDone);
    const std::vector<std::string> lines = tool.lines(listed);
    ASSERT_EQ(lines.size(), 4u) << listed.out;
    EXPECT_EQ(lines[0],
        "3 referencias enseñadas en " + tool.refset
            + ", de 2 caracteres (carácter, cuándo se enseñó, imagen):");
    const std::string when = listTaught(tool.dir.path()).references[0].taughtAt;
    EXPECT_EQ(lines[1], "  «Z»  " + when + "  " + tool.imagePath("zeta 1.pbm"));
    EXPECT_TRUE(lines[3].starts_with("  «2»  ")) << lines[3];
    EXPECT_EQ(tool.run({ "--ensenadas" }).out, listed.out);

    // Named from the images' folder, as a relative path would be given.
    const Outcome byImage = tool.run({ "--olvida-imagen", tool.dir.file("imágenes/./zeta 2.pbm"),
        tool.dir.file("imágenes/otra.pbm") });
    EXPECT_EQ(byImage.status, kNotAll);
    EXPECT_EQ(tool.lines(byImage),
        (std::vector<std::string> {
            "Olvidadas 2 referencias enseñadas de la imagen " + tool.imagePath("zeta 2.pbm") + ".",
            "Ninguna referencia enseñada es de la imagen " + tool.imagePath("otra.pbm") + "." }));

    EXPECT_EQ(tool.run({ "--olvida", "2" }).status, kNotAll);
    const Outcome byLabel = tool.run({ "--olvida", "Z" });
    EXPECT_EQ(byLabel.status, kDone);
    EXPECT_EQ(byLabel.out, "Olvidada 1 referencia enseñada de «Z».\n");
    EXPECT_EQ(
        tool.run({ "--enseñadas" }).out, "No hay referencias enseñadas en " + tool.refset + ".\n");
    EXPECT_EQ(readText(tool.refset), tool.builtIn);

    ASSERT_EQ(tool.run({ "--aprende", "Z", tool.dir.file("imágenes/zeta 1.pbm") }).status, kDone);
    const Outcome all = tool.run({ "--olvida-todo" });
    EXPECT_EQ(all.status, kDone);
    EXPECT_NE(all.out.find("Olvidadas todas las referencias enseñadas (1)"), std::string::npos);
    EXPECT_EQ(readText(tool.refset), tool.builtIn);
    EXPECT_EQ(tool.run({ "--olvida-todo" }).status, kDone);
    EXPECT_FALSE(std::filesystem::exists(tool.dir.file("resvec.txt")));
}

struct Misuse {
    const char* what;
    std::vector<std::string> args;
    const char* expected; // part of the one line
};

class CommandMisuse : public testing::TestWithParam<Misuse> { };

TEST_P(CommandMisuse, IsAUsageErrorOfOneLineThatChangesNothing)
{
    Tool tool;
    writeText(tool.dir.file("resvec.txt"), "resultado anterior\n");
    std::vector<std::string> args = GetParam().args;
    for (std::string& a : args)
        if (a == "IMAGEN")
            a = tool.dir.file("imágenes/zeta 1.pbm");
    const Outcome r = tool.run(args);
    EXPECT_EQ(r.status, kUsage);
    ASSERT_FALSE(r.out.empty());
    EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << r.out;
    EXPECT_NE(r.out.find(GetParam().expected), std::string::npos) << r.out;
    EXPECT_EQ(readText(tool.refset), tool.builtIn);
    EXPECT_EQ(readText(tool.dir.file("resvec.txt")), "resultado anterior\n");
}

INSTANTIATE_TEST_SUITE_P(Commands, CommandMisuse,
    testing::Values(Misuse { "aprende_alone", { "--aprende" }, "falta el carácter y la imagen" },
        Misuse { "aprende_without_image", { "--aprende", "Z" }, "falta la imagen" },
        Misuse { "aprende_two_letters", { "--aprende", "ZZ", "IMAGEN" }, "«ZZ» son 2 caracteres" },
        Misuse { "aprende_space", { "--aprende", " ", "IMAGEN" }, "espacio" },
        Misuse { "aprende_control", { "--aprende", "\x1b", "IMAGEN" },
            "«\\x1B» es un carácter de control" },
        Misuse { "listing_with_more", { "--enseñadas", "Z" }, "sin más argumentos" },
        Misuse { "forget_image_alone", { "--olvida-imagen" }, "falta la imagen" },
        Misuse { "forget_alone", { "--olvida" }, "falta el carácter" },
        Misuse { "forget_two", { "--olvida", "Z", "2" }, "un solo carácter" },
        Misuse { "forget_lone_accent", { "--olvida", "\u0301" }, "marca que se combina" },
        Misuse { "forget_all_with_more", { "--olvida-todo", "Z" }, "sin más argumentos" },
        Misuse { "help_with_more", { "--ayuda", "Z" }, "sin más argumentos" },
        Misuse {
            "unknown_option", { "--aprender", "Z", "IMAGEN" }, "Opción desconocida «--aprender»" }),
    [](const testing::TestParamInfo<Misuse>& info) { return std::string(info.param.what); });

TEST(Commands, DamagedFileIsRefusedByEveryFormAndLeftAsItIs)
{
    Tool tool;
    const std::string damaged = tool.builtIn + std::string(kTaughtMarker) + " 1\n";
    writeText(tool.refset, damaged);
    const std::string where = tool.refset + " no es válida: línea ";
    for (const std::vector<std::string>& args :
        { std::vector<std::string> { "--aprende", "Z", tool.dir.file("imágenes/zeta 1.pbm") },
            { "--enseñadas" }, { "--olvida-imagen", tool.dir.file("imágenes/zeta 1.pbm") },
            { "--olvida", "Z" }, { "--olvida-todo" } }) {
        const Outcome r = tool.run(args);
        EXPECT_EQ(r.status, kNotAll) << args[0];
        EXPECT_NE(r.out.find(where), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("dice 1 referencias enseñadas y hay 0"), std::string::npos) << r.out;
        EXPECT_EQ(readText(tool.refset), damaged) << args[0];
    }
}

TEST(Commands, AyudaListsEveryFormAndAnImageNamedLikeAnOptionIsStillAnImage)
{
    Tool tool;
    const Outcome help = tool.run({ "--ayuda" });
    EXPECT_EQ(help.status, kDone);
    for (const char* form : { "VECPLAN.EXE IMAGEN.pbm", "--aprende C IMAGEN.pbm [IMAGEN.pbm ...]",
             "--enseñadas", "--ensenadas", "--olvida-imagen IMAGEN.pbm [IMAGEN.pbm ...]",
             "--olvida C", "--olvida-todo", "--ayuda", "./--ayuda" })
        EXPECT_NE(help.out.find(form), std::string::npos) << form;
    EXPECT_FALSE(std::filesystem::exists(tool.dir.file("resvec.txt")));

    // An image called --ayuda, given with its folder as the front end does.
    const std::string image
        = tool.image("--ayuda", drawing({ "#####", "#...#", "#...#", "#...#", "#####" }));
    const Outcome recognised = tool.run({ image });
    EXPECT_EQ(recognised.status, 0) << recognised.out;
    EXPECT_EQ(recognised.out, "Carácter reconocido: O\n");
    EXPECT_NE(readText(tool.dir.file("resvec.txt")).find("Imagen: " + image), std::string::npos);

    // A lone argument that is no option is an image name, as it always was.
    const Outcome unknown = tool.run({ "--no-es-una-opcion" });
    EXPECT_NE(unknown.status, 0);
    EXPECT_EQ(readText(tool.dir.file("resvec.txt")), unknown.out);
    EXPECT_NE(unknown.out.find("«--no-es-una-opcion»"), std::string::npos) << unknown.out;
}
