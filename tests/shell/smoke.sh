#!/usr/bin/env bash
# The whole program on a virtual display over one answered survey: per dialog,
# open it from the menu, leave it with Escape, quit with Principal › Salir and
# "Sí": exit status 0, no error output. Usage: smoke.sh <vesmarin> <vesmarin-init>
set -euo pipefail
program=$1
data=$(mktemp -d)
export XDG_DATA_HOME=$data XDG_RUNTIME_DIR=$data/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

# A display of its own, numbered by the server itself: picking a free number
# from outside races with any other virtual display starting meanwhile. It is
# not reset when a run's program quits: the next one, started meanwhile on a
# busy machine, would find no display.
exec 3< <(exec Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp -noreset 2>/dev/null)
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$data"' EXIT

"$2" >/dev/null
tables=$data/vesmarin
sqlite3 "$tables/variables.DB" "INSERT INTO variables VALUES (1, 1, 2, 2, '$data')"
sqlite3 "$tables/preguntas.DB" "INSERT INTO preguntas VALUES (1, 'Pregunta')"
sqlite3 "$tables/tesis.DB" "INSERT INTO tesis (Edicion, Pregunta, Icono, Tiempo, Suma_tiempo, Rep_icono, Promedio)
  VALUES (1, 'Pregunta', 1, '0:0:1:0', 1, 1, 1)"

read -r -t 10 display <&3 || { echo "the virtual display did not start" >&2; exit 1; }
export DISPLAY=:$display

shown() { xdotool search --onlyvisible --name "^$1\$" >/dev/null; }
waitFor() { # window caption, then "shown" or "gone"
  for _ in $(seq 1 150); do
    if shown "$1"; then [ "$2" = shown ] && return 0; elif [ "$2" = gone ]; then return 0; fi
    sleep 0.1
  done
  echo "window \"$1\" not $2 within 15 s" >&2
  return 1
}
focus() { xdotool search --onlyvisible --name "^$1\$" windowfocus --sync >/dev/null; }
menu() { focus " Vesmarin"; xdotool key "$1"; sleep 0.2; xdotool key "$2"; }
press() { waitFor "$1" shown; focus "$1"; xdotool key "$2"; } # a key on a window once it shows

for step in "alt+e c| Vesmarin - Edicion de Encuesta" "alt+p a| Vesmarin - Selección de Encuesta" \
            "alt+p m| Vesmarin - Mostrar Reporte"; do
  keys=${step%%|*} caption=${step#*|}
  "$program" 2>"$XDG_RUNTIME_DIR/stderr" &
  pid=$!
  waitFor " Vesmarin" shown || { cat "$XDG_RUNTIME_DIR/stderr" >&2; exit 1; }
  menu ${keys% *} ${keys#* }
  press "$caption" Escape
  waitFor "$caption" gone
  menu alt+p s
  press "Vesmarin" Return
  waitFor " Vesmarin" gone
  status=0
  wait "$pid" || status=$?
  if [ "$status" -ne 0 ] || [ -s "$XDG_RUNTIME_DIR/stderr" ]; then
    echo "quitting after \"$caption\": exit status $status" >&2
    cat "$XDG_RUNTIME_DIR/stderr" >&2
    exit 1
  fi
  echo "quit after \"$caption\": exit status 0"
done
