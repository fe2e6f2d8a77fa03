#!/usr/bin/env python3
"""Writes the language files that are kept here in UTF-8 into
resources/LangFiles/<Name>/<Name>.ini in each language's Windows ANSI code
page, and adds their entries to OvMultiLang.ini. Run it after editing a text;
the language tests check the files it writes."""
import pathlib

ROOT = pathlib.Path(__file__).resolve().parent.parent / "resources" / "LangFiles"
KEYS = ["Warning", "ProfileAOn", "ProfileBOn", "ProfileCOn", "ProfileAOff", "ProfileBOff", "ProfileCOff",
        "OcWarn", "RaveloApexInstall", "RaveloApexNotRun", "KelvoInstall", "KelvoNotRun",
        "AutoModeUnavaliable", "CalibrationNeed", "Auto"]

# name: (code page, [4-digit ids], [2-digit ids], texts in KEYS order)
LANGUAGES = {
    "Italian": (1252, ["0410", "0810"], ["10"], [
        "Avviso", "Profilo A attivo", "Profilo B attivo", "Profilo C attivo",
        "Profilo A disattivato", "Profilo B disattivato", "Profilo C disattivato",
        "La frequenza di questo profilo è inferiore a quella predefinita. Il profilo non è stato applicato.",
        "Ravelo Apex non è installato.", "Ravelo Apex non è in esecuzione. Avvialo prima.",
        "Kelvo Engine non è installato.", "Kelvo Engine non è in esecuzione. Avvialo prima.",
        "La modalità automatica non è disponibile.", "Kelvo Engine deve essere prima calibrato.", "Auto"]),
    "PortugueseBrazil": (1252, ["0416"], ["16"], [
        "Aviso", "Perfil A ligado", "Perfil B ligado", "Perfil C ligado",
        "Perfil A desligado", "Perfil B desligado", "Perfil C desligado",
        "O clock deste perfil está abaixo do padrão. O perfil não foi aplicado.",
        "O Ravelo Apex não está instalado.", "O Ravelo Apex não está em execução. Inicie-o primeiro.",
        "O Kelvo Engine não está instalado.", "O Kelvo Engine não está em execução. Inicie-o primeiro.",
        "O modo automático não está disponível.", "O Kelvo Engine precisa ser calibrado primeiro.", "Auto"]),
    "Polish": (1250, ["0415"], ["15"], [
        "Ostrzeżenie", "Profil A włączony", "Profil B włączony", "Profil C włączony",
        "Profil A wyłączony", "Profil B wyłączony", "Profil C wyłączony",
        "Zegar tego profilu jest niższy niż domyślny. Profil nie został zastosowany.",
        "Ravelo Apex nie jest zainstalowany.", "Ravelo Apex nie jest uruchomiony. Najpierw go uruchom.",
        "Kelvo Engine nie jest zainstalowany.", "Kelvo Engine nie jest uruchomiony. Najpierw go uruchom.",
        "Tryb automatyczny jest niedostępny.", "Kelvo Engine wymaga najpierw kalibracji.", "Auto"]),
    "Russian": (1251, ["0419", "0819"], ["19"], [
        "Внимание", "Профиль A вкл.", "Профиль B вкл.", "Профиль C вкл.",
        "Профиль A выкл.", "Профиль B выкл.", "Профиль C выкл.",
        "Частота этого профиля ниже стандартной. Профиль не применён.",
        "Ravelo Apex не установлен.", "Ravelo Apex не запущен. Сначала запустите его.",
        "Kelvo Engine не установлен.", "Kelvo Engine не запущен. Сначала запустите его.",
        "Автоматический режим недоступен.", "Kelvo Engine требует калибровки.", "Авто"]),
    "Japanese": (932, ["0411"], ["11"], [
        "警告", "プロファイル A オン", "プロファイル B オン", "プロファイル C オン",
        "プロファイル A オフ", "プロファイル B オフ", "プロファイル C オフ",
        "このプロファイルのクロックは既定値より低いため、適用されませんでした。",
        "Ravelo Apex がインストールされていません。", "Ravelo Apex が起動していません。先に起動してください。",
        "Kelvo Engine がインストールされていません。", "Kelvo Engine が起動していません。先に起動してください。",
        "自動モードは使用できません。", "Kelvo Engine のキャリブレーションが必要です。", "自動"]),
    # The primary language 04 is Chinese in both scripts: Simplified is the
    # default, every Traditional locale has its own entry.
    "ChineseSimplified": (936, ["0804", "1004"], ["04"], [
        "警告", "配置文件 A 已开启", "配置文件 B 已开启", "配置文件 C 已开启",
        "配置文件 A 已关闭", "配置文件 B 已关闭", "配置文件 C 已关闭",
        "此配置文件的频率低于默认频率，未应用。",
        "未安装 Ravelo Apex。", "Ravelo Apex 未运行，请先启动。",
        "未安装 Kelvo Engine。", "Kelvo Engine 未运行，请先启动。",
        "自动模式不可用。", "Kelvo Engine 需要先校准。", "自动"]),
    "ChineseTraditional": (950, ["0404", "0C04", "1404"], [], [
        "警告", "設定檔 A 已開啟", "設定檔 B 已開啟", "設定檔 C 已開啟",
        "設定檔 A 已關閉", "設定檔 B 已關閉", "設定檔 C 已關閉",
        "此設定檔的頻率低於預設頻率，未套用。",
        "未安裝 Ravelo Apex。", "Ravelo Apex 未執行，請先啟動。",
        "未安裝 Kelvo Engine。", "Kelvo Engine 未執行，請先啟動。",
        "自動模式無法使用。", "Kelvo Engine 需要先校正。", "自動"]),
}


def main():
    index_path = ROOT / "OvMultiLang.ini"
    index = index_path.read_bytes().decode("cp1252").replace("\r\n", "\n")
    lines = [l for l in index.split("\n") if l]
    taken = {l.split("=", 1)[0].upper() for l in lines if "=" in l}
    for name, (codepage, full_ids, primary_ids, texts) in LANGUAGES.items():
        assert len(texts) == len(KEYS), name
        body = [f"; Ravelo Remote OSD texts: {name}, Windows code page {codepage}.", "[Translations]"]
        body += [f"{k}={t}" for k, t in zip(KEYS, texts)]
        folder = ROOT / name
        folder.mkdir(exist_ok=True)
        (folder / f"{name}.ini").write_bytes(("\r\n".join(body) + "\r\n").encode(f"cp{codepage}"))
        for lang_id in full_ids + primary_ids:
            if lang_id.upper() not in taken:
                lines.append(f"{lang_id}={name}")
                taken.add(lang_id.upper())
    index_path.write_bytes(("\r\n".join(lines) + "\r\n").encode("cp1252"))


if __name__ == "__main__":
    main()
