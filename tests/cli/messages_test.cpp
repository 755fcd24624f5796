// What the command line says, in English and in Spanish, whole: the language
// from the environment (on Windows, Wine's interface language follows it
// too). Signature lines and tag lines read the same in every language.
#include <gtest/gtest.h>

#include <clocale>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "language/messages.h"
#include "cli/reporter.h"
#include "firma_fixture.h"
#include "language/translation.h"

namespace firma::testing {
namespace {

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

struct Language {
    const char* name;
    const char* locale;
};
const Language kEnglish{"English", "C.UTF-8"};
const Language kSpanish{"Spanish", "es_ES.UTF-8"};

std::vector<std::string> environment_for(const Language& language) {
    return {"LANGUAGE=", "LC_ALL=", "LC_MESSAGES=", std::string("LANG=") + language.locale};
}

// A missing file's reason: the C library's words on Linux; on Windows firma's
// own, which say "archivo" and "carpeta" as Windows does.
std::string missing(const Language& language) {
    if (&language == &kEnglish) return "No such file or directory";
    return kWindows ? "No existe el archivo o la carpeta" : "No existe el fichero o el directorio";
}

// A name with a blank, quoted as each system's shell would read it.
std::string quoted(const std::string& name) {
    return kWindows ? "\"" + name + "\"" : "'" + name + "'";
}

class Messages : public FirmaTest {
protected:
    void SetUp() override {
        dir.write("a.txt", "hola\n");
        dir.write("b.txt", "adiós\n");
        dir.write("d.txt", "otra\n");
        const RunResult signed_files = firma({"a.txt", "b.txt", "d.txt"});
        ASSERT_EQ(signed_files.exit_status, 0) << signed_files.err;
        const std::string good = signed_files.out;
        // One line per file, in order: seven digits, two blanks, five letters.
        const auto line_of = [&](std::size_t n) { return good.substr(15 * n, 15); };
        // a.txt matches; b.txt and d.txt no longer do; c.txt is missing.
        dir.write("b.txt", "cambiado\n");
        dir.write("d.txt", "cambiado\n");
        dir.write("lista", line_of(0) + "no es una línea\n" + line_of(1) + good.substr(0, 7) + "  c.txt\n");
        dir.write("dos", good + "mal\nmal\n");
        dir.write("vacia", "");
    }

    RunResult firma_in(const Language& language, std::vector<std::string> args, const std::string& in = {}) {
        args.insert(args.begin(), FIRMA_EXE);
        return run_program(args, {.in = in.empty() ? in : dir / in, .cwd = dir.path().string(),
                                  .environment = environment_for(language)});
    }
};

TEST_F(Messages, EveryClassOfMessageInBothLanguages) {
    const std::string missing_en = missing(kEnglish), missing_es = missing(kSpanish);
    const struct {
        const char* what;
        std::vector<std::string> args;
        std::string in;
        int status;
        std::string out_en, err_en, out_es, err_es;
    } cases[] = {
        {"a failed check", {"-c", "lista"}, {}, 1,
         "a.txt: OK\nb.txt: FAILED\nc.txt: FAILED open or read\n",
         "firma: c.txt: " + missing_en + "\n"
         "firma: WARNING: 1 line is improperly formatted\n"
         "firma: WARNING: 1 listed file could not be read\n"
         "firma: WARNING: 1 computed checksum did NOT match\n",
         "a.txt: La firma coincide\nb.txt: La firma NO coincide\nc.txt: NO SE PUDO LEER\n",
         "firma: c.txt: " + missing_es + "\n"
         "firma: ATENCIÓN: 1 línea está mal formada\n"
         "firma: ATENCIÓN: no se pudo leer 1 archivo de la lista\n"
         "firma: ATENCIÓN: 1 firma calculada NO coincide\n"},
        {"counts above one", {"-c", "--quiet", "dos"}, {}, 1,
         "b.txt: FAILED\nd.txt: FAILED\n",
         "firma: WARNING: 2 lines are improperly formatted\n"
         "firma: WARNING: 2 computed checksums did NOT match\n",
         "b.txt: La firma NO coincide\nd.txt: La firma NO coincide\n",
         "firma: ATENCIÓN: 2 líneas están mal formadas\n"
         "firma: ATENCIÓN: 2 firmas calculadas NO coinciden\n"},
        {"a malformed line, warned", {"-c", "-w", "--ignore-missing", "vacia", "lista"}, {}, 1,
         "a.txt: OK\nb.txt: FAILED\n",
         "firma: vacia: no properly formatted checksum lines found\n"
         "firma: lista: 2: improperly formatted FIRMA checksum line\n"
         "firma: WARNING: 1 line is improperly formatted\n"
         "firma: WARNING: 1 computed checksum did NOT match\n",
         "a.txt: La firma coincide\nb.txt: La firma NO coincide\n",
         "firma: vacia: no hay ninguna línea de firma bien formada\n"
         "firma: lista: 2: línea de firma mal formada\n"
         "firma: ATENCIÓN: 1 línea está mal formada\n"
         "firma: ATENCIÓN: 1 firma calculada NO coincide\n"},
        {"a list on standard input", {"-c"}, "vacia", 1, "",
         "firma: " + quoted("standard input") + ": no properly formatted checksum lines found\n", "",
         "firma: " + quoted("entrada estándar") + ": no hay ninguna línea de firma bien formada\n"},
        {"signing: a missing file, -o not written", {"--tag", "-o", "salida.txt", "a.txt", "c.txt"}, {}, 1, "",
         "firma: c.txt: " + missing_en + "\nfirma: salida.txt: not written, as some files could not be signed\n", "",
         "firma: c.txt: " + missing_es + "\n"
         "firma: salida.txt: no se escribió, porque algunos archivos no se pudieron firmar\n"},
        {"an unknown short option", {"-x"}, {}, 1, "",
         "firma: invalid option -- 'x'\nTry 'firma --help' for more information.\n", "",
         "firma: opción no válida -- 'x'\nPruebe 'firma --help' para más información.\n"},
        {"an unknown long option", {"--nada"}, {}, 1, "",
         "firma: unrecognized option '--nada'\nTry 'firma --help' for more information.\n", "",
         "firma: opción no reconocida '--nada'\nPruebe 'firma --help' para más información.\n"},
        {"an ambiguous option", {"--st"}, {}, 1, "",
         "firma: option '--st' is ambiguous; possibilities: '--status' '--strict'\n"
         "Try 'firma --help' for more information.\n", "",
         "firma: la opción '--st' es ambigua; posibilidades: '--status' '--strict'\n"
         "Pruebe 'firma --help' para más información.\n"},
        {"a missing argument", {"-j"}, {}, 1, "",
         "firma: option requires an argument -- 'j'\nTry 'firma --help' for more information.\n", "",
         "firma: la opción requiere un argumento -- 'j'\nPruebe 'firma --help' para más información.\n"},
        {"a wrong number", {"--jobs=cero"}, {}, 1, "",
         "firma: invalid number of jobs: 'cero'\nTry 'firma --help' for more information.\n", "",
         "firma: número de tareas no válido: 'cero'\nPruebe 'firma --help' para más información.\n"},
        {"an option only for checking", {"--strict", "a.txt"}, {}, 1, "",
         "firma: the --strict option is meaningful only when verifying checksums\n"
         "Try 'firma --help' for more information.\n", "",
         "firma: la opción --strict solo tiene sentido al comprobar firmas\n"
         "Pruebe 'firma --help' para más información.\n"},
        {"an option never for checking", {"-c", "-r", "lista"}, {}, 1, "",
         "firma: the --recursive option is meaningless when verifying checksums\n"
         "Try 'firma --help' for more information.\n", "",
         "firma: la opción --recursive no tiene sentido al comprobar firmas\n"
         "Pruebe 'firma --help' para más información.\n"},
    };
    for (const auto& c : cases) {
        for (const Language* language : {&kEnglish, &kSpanish}) {
            SCOPED_TRACE(std::string(c.what) + ", in " + language->name);
            const RunResult result = firma_in(*language, c.args, c.in);
            EXPECT_EQ(result.exit_status, c.status);
            EXPECT_EQ(result.out, language == &kEnglish ? c.out_en : c.out_es);
            EXPECT_EQ(result.err, language == &kEnglish ? c.err_en : c.err_es);
        }
    }
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Help and version are long: every line changes, and the lines that frame
// them say what they should.
TEST_F(Messages, HelpAndVersionAreTranslatedLineByLine) {
    const struct {
        const char* option;
        const char* first_es;
        const char* last_es;
    } cases[] = {
        {"--help", "Modo de empleo: firma [OPCIÓN]... [ARCHIVO]...", "Documentación completa: "},
        {"--version", "firma ", "Rutinas de cálculo: "},
    };
    for (const auto& [option, first_es, last_es] : cases) {
        SCOPED_TRACE(option);
        const RunResult english = firma_in(kEnglish, {option});
        const RunResult spanish = firma_in(kSpanish, {option});
        ASSERT_EQ(english.exit_status, 0);
        ASSERT_EQ(spanish.exit_status, 0);
        EXPECT_EQ(spanish.err, "");
        const auto english_lines = lines_of(english.out);
        const auto spanish_lines = lines_of(spanish.out);
        ASSERT_GT(spanish_lines.size(), 3u);
        EXPECT_TRUE(spanish_lines.front().starts_with(first_es)) << spanish_lines.front();
        EXPECT_TRUE(spanish_lines.back().starts_with(last_es)) << spanish_lines.back();
        const std::set<std::string> in_english(english_lines.begin() + 1, english_lines.end());
        for (const auto& line : std::vector(spanish_lines.begin() + 1, spanish_lines.end()))
            EXPECT_TRUE(line.empty() || !in_english.contains(line)) << "left in English: " << line;
    }
}

// The progress line is drawn only on a terminal: its text is asked for here,
// in this process, in each language.
class ProgressLine : public ::testing::Test {
protected:
    void use(const Language& language) {
        set_environment_variable("LC_ALL", language.locale);
        ASSERT_NE(std::setlocale(LC_ALL, ""), nullptr) << language.locale << " is not installed";
        choose_message_language(FIRMA_CATALOGUES);
    }
    void TearDown() override {
        set_environment_variable("LC_ALL", "C");
        std::setlocale(LC_ALL, "C");
        choose_message_language(FIRMA_CATALOGUES);
    }
};

TEST_F(ProgressLine, WritesNumbersAsTheLanguageDoes) {
    constexpr double kMiB = 1024 * 1024;
    const struct {
        double done, total;
        bool total_known;
        double rate;
        const char* english;
        const char* spanish;
    } cases[] = {
        {39.5 * kMiB, 1536 * kMiB, true, 159e6, "39.5 MiB of 1.5 GiB (3%), 159 MB/s, 0:10 left",
         "39,5 MiB de 1,5 GiB (3 %), 159 MB/s, quedan 0:10"},
        {512, 0, false, 0, "512 B, 0 MB/s", "512 B, 0 MB/s"},
        {5120 * kMiB, 0, false, 2e8, "5.0 GiB, 200 MB/s", "5,0 GiB, 200 MB/s"},
        {0, 0, true, 0, "0 B of 0 B, 0 MB/s", "0 B de 0 B, 0 MB/s"},
    };
    for (const auto& c : cases) {
        use(kEnglish);
        EXPECT_EQ(cli::progress_text(c.done, c.total, c.total_known, c.rate), c.english);
        use(kSpanish);
        EXPECT_EQ(cli::progress_text(c.done, c.total, c.total_known, c.rate), c.spanish);
    }
}

// A translation the build would refuse, met at run time all the same: the
// English message, never an abort or a value in the wrong place.
TEST(Translations, ThatCannotBeFilledGiveTheEnglishMessage) {
    for (const char* slip : {"error de escritura: {:d}", "error de escritura: {} {}", "error de escritura: {",
                             "error de escritura: {1}", "error de escritura: }"})
        EXPECT_EQ(fill_message(slip, "write error: {}", "Broken pipe"), "write error: Broken pipe") << slip;
    EXPECT_EQ(fill_message("error de escritura: {}", "write error: {}", "x"), "error de escritura: x");
}

}  // namespace
}  // namespace firma::testing
