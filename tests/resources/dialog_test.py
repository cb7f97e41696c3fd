"""Holds each built program's dialog template to the layout the tools are designed with.

Usage: dialog_test.py CalcSwitch=<exe> RenderSwitch=<exe> PlayerSwitch=<exe>

The layouts below are written from the dialogs' design, not from the .rc files, so a
typo in a text, a style keyword that adds a default bit, or a resource compiler that
writes "\r\n" or an extended template shows up as a difference. Each tool's class,
caption, button and row ids and row texts come from the table every suite holds the
tools to (tests/support/tool_facts.h, as the build writes it out). pefile hands over the template's bytes; no
library decodes a dialog template, so that is done here.
"""
import struct
import sys
import unittest

from programs import FACTS, LANG_JAPANESE_JAPAN, RT_DIALOG, load, programs, resources

IDD_MAIN = 106

WS_POPUP = 0x80000000
WS_CHILD = 0x40000000
WS_VISIBLE = 0x10000000
WS_CLIPCHILDREN = 0x02000000
WS_CAPTION = 0x00C00000
WS_SYSMENU = 0x00080000
WS_GROUP = 0x00020000
WS_TABSTOP = 0x00010000
DS_MODALFRAME = 0x80
DS_SETFONT = 0x40
DS_CENTER = 0x800
BS_PUSHBUTTON = 0x0
BS_AUTORADIOBUTTON = 0x9
SS_LEFT = 0x0

# Predefined window classes are stored as ordinals in a template.
BUTTON = 0x0080
STATIC = 0x0082

FONT_FACE = "ＭＳ Ｐゴシック"

WINDOW = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_CENTER | DS_SETFONT
PUSH = WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON
RADIO = WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON
TEXT = WS_CHILD | WS_VISIBLE | SS_LEFT


def control(ident, cls, style, rect, text):
    return {"style": style, "exstyle": 0, "rect": rect, "id": ident & 0xFFFF,
            "class": cls, "text": text, "creation_data": b""}


def text(ident, rect, *lines):
    return control(ident, STATIC, TEXT | WS_GROUP, rect, "\n".join(lines))


def dialog(name, style, size, points, decide, cancel, rows, texts):
    """A tool's template: 決定 and キャンセル at their rectangles, the rows (the first opens
    their group) at theirs, the two in the order of the tool's layout, then the static texts."""
    f = FACTS[name]
    buttons = [control(f["decideId"], BUTTON, PUSH | WS_GROUP | WS_TABSTOP, decide, "決定"),
               control(f["cancelId"], BUTTON, PUSH | WS_TABSTOP, cancel, "キャンセル")]
    radios = [control(ident, BUTTON, RADIO | (WS_GROUP if i == 0 else 0) | WS_TABSTOP, rect, label)
              for i, (ident, label, rect) in enumerate(zip(f["rows"], f["rowTexts"], rows))]
    return {"style": style, "exstyle": 0, "rect": (0, 0) + size, "menu": None, "class": f["className"],
            "caption": f["caption"], "font": (points, FONT_FACE),
            "items": (buttons + radios if f["layout"] == "pushButtonsFirst" else radios + buttons) + texts}


EXPECTED = {
    "CalcSwitch": dialog(
        "CalcSwitch", WINDOW | DS_MODALFRAME, (231, 166), 9, (5, 145, 149, 15), (160, 145, 66, 15),
        [(14, 110, 27, 11), (14, 126, 27, 11)], [
            text(-1, (5, 5, 221, 103),
                 "◆これはサポートツールです。",
                 "",
                 "ＭＭＸ の演算処理の 『 有効／無効 』 を設定できます。",
                 "",
                 "ＭＭＸ を 『 有効 』 にすると、回転、拡大、縮小時のグラフィック描画が綺麗になります。"
                 " （※一部、綺麗にならない処理もあります）",
                 "",
                 "『 無効 』 にすると綺麗さは失われますが処理速度が向上します。",
                 "また、ＭＭＸ の演算処理において問題が発生する場合、『 無効 』 にする事でその問題を回避できます。",
                 "",
                 "（※ＭＭＸ に非対応の ＣＰＵ の場合、この機能は使用されません）")]),
    "RenderSwitch": dialog(
        "RenderSwitch", WINDOW | DS_MODALFRAME, (231, 198), 9, (5, 177, 149, 15), (160, 177, 66, 15),
        [(14, 143, 27, 11), (14, 159, 27, 11)], [
            text(FACTS["RenderSwitch"]["textId"], (5, 5, 221, 94),
                 "◆これはサポートツールです。",
                 "",
                 "Direct3D の処理の 『 有効／無効 』 を設定できます。",
                 "",
                 "Direct3D を 『 有効 』 にすると、画面モードをフルスクリーンにした際の表示が綺麗になります。",
                 "",
                 "Direct3D の処理において問題が発生する場合、『 無効 』 にする事でその問題を回避できます。",
                 "",
                 "コンピュータ環境が対応していない場合、正常に動かない場合があります。"),
            text(20436, (5, 102, 221, 37),
                 "≪この機能を使用する為の必要条件の目安≫",
                 "\u3000・DirectX 9 以上がインストールされている必要があります。",
                 "\u3000・DirectX 9 以上の Direct3D に対応している必要があります。",
                 "\u3000・グラフィックメモリが 32MB 以上必要です。")]),
    "PlayerSwitch": dialog(
        "PlayerSwitch", WINDOW | WS_CLIPCHILDREN, (241, 181), 10, (4, 161, 162, 14), (172, 161, 65, 14),
        [(13, 115, 73, 10), (13, 128, 53, 10), (13, 142, 81, 10)], [
            text(FACTS["PlayerSwitch"]["textId"], (4, 4, 233, 18),
                 "◆これはサポートツールです。",
                 "\u3000ムービーを使用しているゲームのみに有効な設定ツールです。"),
            text(1049, (4, 58, 233, 19),
                 "◆『 DirectShow 』 を利用するには DirectX8.1 以上が必要です。",
                 "\u3000※環境によってうまく動作しない場合があります。"),
            text(1050, (4, 81, 233, 27),
                 "◆『 WindowsMediaPlayer 』 を利用するには WindowsMediaPlayer の",
                 "\u3000バージョン ９ もしくは １０、１１ が必要です。",
                 "\u3000※環境によってうまく動作しない場合があります。"),
            text(1051, (4, 27, 233, 26),
                 "◆ムービーの再生方式を変更できます。",
                 "\u3000ゲーム中、ムービーがうまく再生されない場合に変更して下さい。",
                 "\u3000※問題ない場合は 『 ＭＣＩ 命令 』 にして下さい。")]),
}


class TemplateError(Exception):
    pass


class Template:
    """A cursor over a dialog template that fails loudly past its end."""

    def __init__(self, data):
        self.data = data
        self.at = 0

    def take(self, fmt):
        try:
            values = struct.unpack_from("<" + fmt, self.data, self.at)
        except struct.error:
            raise TemplateError(f"{fmt} at {self.at:#x} passes the end ({len(self.data):#x})") from None
        self.at += struct.calcsize("<" + fmt)
        return values

    def string(self):
        start = self.at
        while self.take("H")[0] != 0:
            pass
        try:
            return self.data[start:self.at - 2].decode("utf-16-le")
        except UnicodeDecodeError as error:
            raise TemplateError(f"text at {start:#x} is not UTF-16: {error}") from None

    def name_or_ordinal(self):
        """None for an empty field, an int for an ordinal, else the text."""
        (first,) = self.take("H")
        if first == 0:
            return None
        if first == 0xFFFF:
            return self.take("H")[0]
        self.at -= 2
        return self.string()

    def align(self, boundary):
        while self.at % boundary and self.at < len(self.data):
            # Padding carries no meaning; resource compilers write zeros, and asking
            # for them means every other byte of the template is checked by a field.
            if self.data[self.at] != 0:
                raise TemplateError(f"non-zero padding byte at {self.at:#x}")
            self.at += 1


def parse_dialog(data):
    """The fields of a standard (not extended) dialog template as a dict, its controls in
    template order. TemplateError when the data is an extended template, is cut short,
    or has bytes after its last item."""
    t = Template(data)
    if len(data) >= 4 and struct.unpack_from("<HH", data)[1] == 0xFFFF:
        raise TemplateError("extended dialog template (DIALOGEX)")
    style, exstyle, count, x, y, cx, cy = t.take("IIHhhhh")
    dialog = {
        "style": style, "exstyle": exstyle, "rect": (x, y, cx, cy),
        "menu": t.name_or_ordinal(), "class": t.name_or_ordinal(), "caption": t.string(),
        "font": (t.take("H")[0], t.string()) if style & DS_SETFONT else None, "items": [],
    }
    for _ in range(count):
        # Each item starts on a four-byte boundary of the template.
        t.align(4)
        style, exstyle, x, y, cx, cy, ident = t.take("IIhhhhH")
        item = {
            "style": style, "exstyle": exstyle, "rect": (x, y, cx, cy), "id": ident,
            "class": t.name_or_ordinal(), "text": t.name_or_ordinal(),
        }
        # A non-zero first word gives the size of the creation data, itself included;
        # the data is kept with that word, so that even an empty block is seen.
        (extra,) = t.take("H")
        if extra == 1:
            raise TemplateError(f"creation data of one byte at {t.at - 2:#x}")
        item["creation_data"] = struct.pack("<H", extra) + t.take(f"{extra - 2}s")[0] if extra else b""
        dialog["items"].append(item)
    t.align(4)
    if t.at != len(data):
        raise TemplateError(f"{len(data) - t.at} bytes after the last item")
    return dialog


def template_of(path):
    found = resources(load(path))
    dialogs = {key: data for key, data in found.items() if key[0] == RT_DIALOG}
    return dialogs, found.get((RT_DIALOG, IDD_MAIN, LANG_JAPANESE_JAPAN))


class DialogTemplates(unittest.TestCase):
    maxDiff = None  # the field that differs, however long the template

    def test_each_program_has_its_dialog(self):
        for name, path in PROGRAMS.items():
            with self.subTest(program=name):
                dialogs, data = template_of(path)
                # One template only: a second language of 106 would be picked on a
                # system whose UI language matches it.
                self.assertEqual(list(dialogs), [(RT_DIALOG, IDD_MAIN, LANG_JAPANESE_JAPAN)])
                self.assertEqual(parse_dialog(data), EXPECTED[name])


class TemplateCheckCatchesDamage(unittest.TestCase):
    """The check above must notice any change of a single byte of a real template."""

    def assert_noticed(self, data, expected, what):
        try:
            found = parse_dialog(data)
        except TemplateError:
            return
        self.assertNotEqual(found, expected, what)

    def test_every_byte_counts(self):
        for name, path in PROGRAMS.items():
            data = template_of(path)[1]
            with self.subTest(program=name):
                if parse_dialog(data) != EXPECTED[name]:
                    self.skipTest("the template differs already; DialogTemplates says how")
                for at in range(len(data)):
                    for flip in (0x01, 0x80):
                        damaged = bytearray(data)
                        damaged[at] ^= flip
                        self.assert_noticed(bytes(damaged), EXPECTED[name],
                                            f"byte {at:#x} ^ {flip:#x} went unnoticed")

    def test_cut_or_lengthened_template(self):
        data = template_of(PROGRAMS["CalcSwitch"])[1]
        for damaged in (data[:-2], data[:-4], data + b"\0\0\0\0", data[:-8]):
            self.assert_noticed(damaged, EXPECTED["CalcSwitch"], f"{len(damaged)} bytes")

    def test_extended_template_is_refused(self):
        # The head of a DIALOGEX template: version 1, signature 0xFFFF.
        self.assertRaises(TemplateError, parse_dialog, b"\x01\x00\xff\xff" + bytes(60))

    def test_carriage_return_in_a_text_is_a_difference(self):
        data = template_of(PROGRAMS["CalcSwitch"])[1]
        line_end = "。\n".encode("utf-16-le")
        damaged = data.replace(line_end, "。\r".encode("utf-16-le"), 1)
        self.assertNotEqual(damaged, data)
        self.assert_noticed(damaged, EXPECTED["CalcSwitch"], "\\r for \\n")


if __name__ == "__main__":
    PROGRAMS = programs(sys.argv[1:], EXPECTED)
    unittest.main(argv=sys.argv[:1], verbosity=2)
