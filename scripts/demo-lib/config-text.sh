# shellcheck shell=bash
# The demo launcher's configuration text. Sourced by scripts/demo.
#
# write_config FILE WEB_PORT CLOSED_PORT PROXY_PORT: two update servers (the first one is
# down, so the probe picks the second), three game proxies on loopback addresses of which
# only the third listens, two interface languages with every text the launcher shows, and
# a news page per language served by the demo's nginx.
write_config() {
    local file=$1 web=$2 closed=$3 proxy=$4
    printf '\xEF\xBB\xBF' >"$file" # UTF-8 byte-order mark: the texts are not ASCII
    cat >>"$file" <<CONF
[config]
instance=KaldoriaDemo
trayhint=Kaldoria demo launcher
defaultlanguage=English
usercan_changelanguage=true
defaultautoclose=false
usercan_changeautoclose=true
usercan_changeproxy=true
usercan_changedrivetype=true
usercan_changecheckmethod=true
language_folder=English;system|Deutsch;system_de

[mainwindow]
caption=Kaldoria demo
fadeeffect=true

[settingwindow]
fadeeffect=true

[updateservers]
useping=true
randomselect=false
url=http://127.0.0.1:$closed/client/
url=http://127.0.0.1:$web/client/

[gameproxys]
useproxy=true
port=$proxy
proxy=North|127.0.0.1|proxy-north.ini
proxy=South|127.0.0.2|proxy-south.ini
proxy=Harbour|127.0.0.3|proxy-harbour.ini

[lang=1033:English]
0=http://127.0.0.1:$web/news/index.html
1=[Unpacking ]
2=[Checked ]
3=[The client is up to date.]
4=[Downloading ]
5=[Update finished: the client is up to date.]
6=[Full check finished.]
7=[Fetching the file list...]
8=Check every file of the client
9=Start the game
12=Settings
13=Language
14=Close on game start
15=No update server answers. Please try again later.
18=No game server answers. Please try again later.
20=Game server
21=The chosen game server does not answer.
22=Disk type
23=Check method
24=[Total: ]
25=Client language

[lang=1031:Deutsch]
0=http://127.0.0.1:$web/news/de.html
1=[Entpacke ]
2=[Geprüft ]
3=[Der Client ist aktuell.]
4=[Lade ]
5=[Aktualisierung beendet: der Client ist aktuell.]
6=[Vollständige Prüfung beendet.]
7=[Lade die Dateiliste...]
8=Alle Dateien des Clients prüfen
9=Spiel starten
12=Einstellungen
13=Sprache
14=Beim Spielstart schließen
15=Kein Update-Server antwortet. Bitte später erneut versuchen.
18=Kein Spielserver antwortet. Bitte später erneut versuchen.
20=Spielserver
21=Der gewählte Spielserver antwortet nicht.
22=Laufwerksart
23=Prüfmethode
24=[Gesamt: ]
25=Client-Sprache
26=%1 Datei(en) konnten nicht aktualisiert werden. Bitte später erneut versuchen.
27=Der Datenträger ist voll: %1 benötigt, %2 frei.
28=Ok
29=Automatisch
30=Festplatte (HDD)
31=SSD
32=Gründlich: MD5-Prüfsumme
33=Mittel: Größe und Datum
34=Schnell: vorherige Liste
35=Neuigkeiten
36=Erneut versuchen
37=Download-Grenze
38=Unbegrenzt
CONF
}

# write_news DIR: the news pages the main window shows.
write_news() {
    local dir=$1
    mkdir -p "$dir"
    cat >"$dir/index.html" <<'HTML'
<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Kaldoria news</title></head>
<body style="font-family: sans-serif; background: #1d2433; color: #e8e2cf; margin: 0; padding: 26px 30px 8px 10px">
<h3 style="color: #f0c060; margin: 0 0 6px">Patch 1.4: the northern maps</h3>
<p>New maps around the northern mines, a quieter tavern, and faster loading.
The launcher brings your client up to date before you play.</p>
<p><b>Server status:</b> North and South under maintenance, Harbour open.</p>
</body></html>
HTML
    cat >"$dir/de.html" <<'HTML'
<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>Kaldoria Neuigkeiten</title></head>
<body style="font-family: sans-serif; background: #1d2433; color: #e8e2cf; margin: 0; padding: 26px 30px 8px 10px">
<h3 style="color: #f0c060; margin: 0 0 6px">Patch 1.4: die nördlichen Karten</h3>
<p>Neue Karten rund um die nördlichen Minen, eine ruhigere Taverne und kürzere Ladezeiten.
Der Launcher bringt den Client vor dem Spiel auf den neuesten Stand.</p>
<p><b>Serverstatus:</b> North und South in Wartung, Harbour offen.</p>
</body></html>
HTML
}
