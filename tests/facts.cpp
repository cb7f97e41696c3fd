// Writes the tables the suites hold the tools to as tab-separated lines, for the scripts
// and the Python tests: "TOOL FIELD VALUE..." per field of each tool, in the build's
// order, and "- installValues NAME...": facts.tsv OUT. Built and run on the build machine.
#include <stdio.h>

#include "install_values.h"
#include "tool_facts.h"

namespace {

void Line(const char *tool, const char *field, const char *const *texts, int count)
{
    printf("%s\t%s", tool, field);
    for (int i = 0; i < count; ++i)
        printf("\t%s", texts[i]);
    printf("\n");
}

void Numbers(const char *tool, const char *field, const unsigned short *numbers, int count)
{
    printf("%s\t%s", tool, field);
    for (int i = 0; i < count; ++i)
        printf("\t%u", numbers[i]);
    printf("\n");
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2 || freopen(argv[1], "w", stdout) == nullptr)
        return 1;
    for (const ToolFacts &t : kToolFacts) {
        const char *texts[] = {t.className, t.caption, t.valueName,
                               t.layout == Layout::kPushButtonsFirst ? "pushButtonsFirst" : "radioGroupFirst"};
        const char *fields[] = {"className", "caption", "valueName", "layout"};
        for (int i = 0; i < 4; ++i)
            Line(t.name, fields[i], &texts[i], 1);
        const unsigned short ids[] = {t.decideId, t.cancelId, t.textId};
        const char *idFields[] = {"decideId", "cancelId", "textId"};
        for (int i = 0; i < 3; ++i)
            Numbers(t.name, idFields[i], &ids[i], 1);
        Numbers(t.name, "rows", t.rows, t.rowCount);
        Line(t.name, "rowTexts", t.rowTexts, t.rowCount);
        Line(t.name, "rowWrites", t.rowWrites, t.rowCount);
    }
    Line("-", "installValues", kInstallValues, sizeof kInstallValues / sizeof kInstallValues[0]);
    return 0;
}
