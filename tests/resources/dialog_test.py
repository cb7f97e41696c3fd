"""Holds each built program's dialog template to the layout the tools are designed with.

Usage: dialog_test.py CalcSwitch=<exe> RenderSwitch=<exe> PlayerSwitch=<exe>

The tables below are written from the dialogs' design, not from the .rc files, so a
typo in a text, a style keyword that adds a default bit, or a resource compiler that
writes "\r\n" or an extended template shows up as a difference.
"""
import sys
import unittest

import pe_resources as pe
from programs import programs

LANG_JAPANESE_JAPAN = 0x0411
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

PUSH = WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON
RADIO = WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON
TEXT = WS_CHILD | WS_VISIBLE | SS_LEFT


def lines(*text):
    return "\n".join(text)


def control(ident, cls, style, rect, text):
    return {"style": style, "exstyle": 0, "rect": rect, "id": ident & 0xFFFF,
            "class": cls, "text": text, "creation_data": b""}


def dialog(style, size, cls, caption, points, items):
    return {"style": style, "exstyle": 0, "rect": (0, 0) + size, "menu": None, "class": cls,
            "caption": caption, "font": (points, FONT_FACE), "items": items}


EXPECTED = {
    "CalcSwitch": dialog(
        0x80C808C0, (231, 166), "_kz_support_tool_CalcSwitchMain", "ＭＭＸの設定", 9, [
            control(1004, BUTTON, PUSH | WS_GROUP | WS_TABSTOP, (5, 145, 149, 15), "決定"),
            control(1003, BUTTON, PUSH | WS_TABSTOP, (160, 145, 66, 15), "キャンセル"),
            control(1001, BUTTON, RADIO | WS_GROUP | WS_TABSTOP, (14, 110, 27, 11), "有効"),
            control(1002, BUTTON, RADIO | WS_TABSTOP, (14, 126, 27, 11), "無効"),
            control(-1, STATIC, TEXT | WS_GROUP, (5, 5, 221, 103), lines(
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
                "（※ＭＭＸ に非対応の ＣＰＵ の場合、この機能は使用されません）")),
        ]),
    "RenderSwitch": dialog(
        0x80C808C0, (231, 198), "_kz_support_tool_RenderSwitchMain", "Direct3Dの設定", 9, [
            control(1004, BUTTON, PUSH | WS_GROUP | WS_TABSTOP, (5, 177, 149, 15), "決定"),
            control(1003, BUTTON, PUSH | WS_TABSTOP, (160, 177, 66, 15), "キャンセル"),
            control(1001, BUTTON, RADIO | WS_GROUP | WS_TABSTOP, (14, 143, 27, 11), "有効"),
            control(1002, BUTTON, RADIO | WS_TABSTOP, (14, 159, 27, 11), "無効"),
            control(20435, STATIC, TEXT | WS_GROUP, (5, 5, 221, 94), lines(
                "◆これはサポートツールです。",
                "",
                "Direct3D の処理の 『 有効／無効 』 を設定できます。",
                "",
                "Direct3D を 『 有効 』 にすると、画面モードをフルスクリーンにした際の表示が綺麗になります。",
                "",
                "Direct3D の処理において問題が発生する場合、『 無効 』 にする事でその問題を回避できます。",
                "",
                "コンピュータ環境が対応していない場合、正常に動かない場合があります。")),
            control(20436, STATIC, TEXT | WS_GROUP, (5, 102, 221, 37), lines(
                "≪この機能を使用する為の必要条件の目安≫",
                "\u3000・DirectX 9 以上がインストールされている必要があります。",
                "\u3000・DirectX 9 以上の Direct3D に対応している必要があります。",
                "\u3000・グラフィックメモリが 32MB 以上必要です。")),
        ]),
    "PlayerSwitch": dialog(
        0x82C80840, (241, 181), "_kz_support_tool_PlayerSwitchMain", "ムービーの再生方式を変更する", 10, [
            control(1043, BUTTON, RADIO | WS_GROUP | WS_TABSTOP, (13, 115, 73, 10), "ＭＣＩ 命令 （通常）"),
            control(1044, BUTTON, RADIO | WS_TABSTOP, (13, 128, 53, 10), "DirectShow"),
            control(1048, BUTTON, RADIO | WS_TABSTOP, (13, 142, 81, 10), "WindowsMediaPlayer"),
            control(1045, BUTTON, PUSH | WS_GROUP | WS_TABSTOP, (4, 161, 162, 14), "決定"),
            control(1046, BUTTON, PUSH | WS_TABSTOP, (172, 161, 65, 14), "キャンセル"),
            control(1047, STATIC, TEXT | WS_GROUP, (4, 4, 233, 18), lines(
                "◆これはサポートツールです。",
                "\u3000ムービーを使用しているゲームのみに有効な設定ツールです。")),
            control(1049, STATIC, TEXT | WS_GROUP, (4, 58, 233, 19), lines(
                "◆『 DirectShow 』 を利用するには DirectX8.1 以上が必要です。",
                "\u3000※環境によってうまく動作しない場合があります。")),
            control(1050, STATIC, TEXT | WS_GROUP, (4, 81, 233, 27), lines(
                "◆『 WindowsMediaPlayer 』 を利用するには WindowsMediaPlayer の",
                "\u3000バージョン ９ もしくは １０、１１ が必要です。",
                "\u3000※環境によってうまく動作しない場合があります。")),
            control(1051, STATIC, TEXT | WS_GROUP, (4, 27, 233, 26), lines(
                "◆ムービーの再生方式を変更できます。",
                "\u3000ゲーム中、ムービーがうまく再生されない場合に変更して下さい。",
                "\u3000※問題ない場合は 『 ＭＣＩ 命令 』 にして下さい。")),
        ]),
}


def differences(found, expected):
    """Readable lines naming each field where the template departs from the table."""
    result = []
    for key, want in expected.items():
        if key == "items":
            continue
        if found[key] != want:
            result.append(f"dialog {key}: {found[key]!r}, expected {want!r}")
    if len(found["items"]) != len(expected["items"]):
        result.append(f"{len(found['items'])} controls, expected {len(expected['items'])}")
    for order, (item, want) in enumerate(zip(found["items"], expected["items"]), 1):
        for key, value in want.items():
            if item[key] != value:
                shown = hex if key in ("style", "exstyle") else repr
                result.append(f"control {order} (id {want['id']}) {key}: "
                              f"{shown(item[key])}, expected {shown(value)}")
    return result


def template_of(path):
    with open(path, "rb") as exe:
        image = pe.Image(exe.read())
    resources = image.resources()
    dialogs = {key: data for key, data in resources.items() if key[0] == pe.RT_DIALOG}
    return dialogs, resources.get((pe.RT_DIALOG, IDD_MAIN, LANG_JAPANESE_JAPAN))


class DialogTemplates(unittest.TestCase):
    def test_each_program_has_its_dialog(self):
        for name, path in PROGRAMS.items():
            with self.subTest(program=name):
                dialogs, data = template_of(path)
                # One template only: a second language of 106 would be picked on a
                # system whose UI language matches it.
                self.assertEqual(list(dialogs), [(pe.RT_DIALOG, IDD_MAIN, LANG_JAPANESE_JAPAN)])
                self.assertEqual(differences(pe.parse_dialog(data), EXPECTED[name]), [])


class TemplateCheckCatchesDamage(unittest.TestCase):
    """The check above must notice any change of a single byte of a real template."""

    def assert_noticed(self, data, expected, what):
        try:
            found = pe.parse_dialog(data)
        except pe.PEError:
            return
        self.assertNotEqual(differences(found, expected), [], what)

    def test_every_byte_counts(self):
        for name, path in PROGRAMS.items():
            data = template_of(path)[1]
            with self.subTest(program=name):
                if differences(pe.parse_dialog(data), EXPECTED[name]):
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
        self.assertRaises(pe.PEError, pe.parse_dialog, b"\x01\x00\xff\xff" + bytes(60))

    def test_carriage_return_in_a_text_is_a_difference(self):
        data = template_of(PROGRAMS["CalcSwitch"])[1]
        line_end = "。\n".encode("utf-16-le")
        damaged = data.replace(line_end, "。\r".encode("utf-16-le"), 1)
        self.assertNotEqual(damaged, data)
        self.assert_noticed(damaged, EXPECTED["CalcSwitch"], "\\r for \\n")


if __name__ == "__main__":
    PROGRAMS = programs(sys.argv[1:], EXPECTED)
    unittest.main(argv=sys.argv[:1], verbosity=2)
