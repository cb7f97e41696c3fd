// Writes the tables the suites hold the tools to as tab-separated lines, for the scripts
// and the Python tests: "TOOL FIELD VALUE..." per field of each tool, in the build's
// order, and "- installValues NAME...": facts.tsv OUT. Built and run on the build machine.
#include <stdio.h>

#include "install_values.h"
#include "tool_facts.h"

namespace {

void Put(const char *text) { printf("\t%s", text); }
void Put(unsigned short number) { printf("\t%u", number); }

template <typename T>
void Line(const char *tool, const char *field, const T *values, int count = 1)
{
    printf("%s\t%s", tool, field);
    for (int i = 0; i < count; ++i)
        Put(values[i]);
    printf("\n");
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2 || freopen(argv[1], "w", stdout) == nullptr)
        return 1;
    for (const ToolFacts &t : kToolFacts) {
        const char *layout = t.layout == Layout::kPushButtonsFirst ? "pushButtonsFirst" : "radioGroupFirst";
        Line(t.name, "className", &t.className);
        Line(t.name, "caption", &t.caption);
        Line(t.name, "valueName", &t.valueName);
        Line(t.name, "layout", &layout);
        Line(t.name, "decideId", &t.decideId);
        Line(t.name, "cancelId", &t.cancelId);
        Line(t.name, "textId", &t.textId);
        Line(t.name, "rows", t.rows, t.rowCount);
        Line(t.name, "rowTexts", t.rowTexts, t.rowCount);
        Line(t.name, "rowWrites", t.rowWrites, t.rowCount);
    }
    Line("-", "installValues", kInstallValues, sizeof kInstallValues / sizeof kInstallValues[0]);
    return 0;
}
