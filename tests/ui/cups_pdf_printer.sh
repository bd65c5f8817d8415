#!/usr/bin/env bash
# A private print server with one PDF printer set as its default, for the
# receipt test: no system service and no real printer is touched.
#   cups_pdf_printer.sh start DIR   server on DIR/cups.sock, PDFs land in DIR/out
#   cups_pdf_printer.sh stop DIR
# A client reaches it with CUPS_SERVER=DIR/cups.sock. Needs root (the PDF
# backend runs as root) and the Debian packages cups and printer-driver-cups-pdf.
set -euo pipefail

action=${1:?start or stop}
dir=$(realpath -m "${2:?directory}")
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd

stop() {
  if [ -f "$dir/cupsd.pid" ]; then
    pid=$(cat "$dir/cupsd.pid")
    kill "$pid" 2>/dev/null || true
    # Wait for its end (30 s at most), so the next start finds the socket free.
    timeout 30 tail --pid="$pid" -f /dev/null 2>/dev/null || true
    rm -f "$dir/cupsd.pid"
  fi
  if [ -f "$dir/queue" ]; then
    rm -f "/etc/cups/cups-pdf-$(cat "$dir/queue").conf" "$dir/queue"
  fi
}

start() {
  stop
  rm -rf "$dir"
  mkdir -p "$dir"/{spool,cache,state,log,tmp,out}
  # the filters run as the unprivileged user lp
  chmod 1777 "$dir/tmp" "$dir/out"

  cat >"$dir/cupsd.conf" <<CONF
Listen $dir/cups.sock
LogLevel warn
WebInterface No
Browsing No
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
CONF
  cat >"$dir/cups-files.conf" <<CONF
ServerRoot $dir
RequestRoot $dir/spool
CacheDir $dir/cache
StateDir $dir/state
TempDir $dir/tmp
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
CONF

  # The PDF backend reads the settings of its queue from /etc/cups only.
  queue="scale-receipt-$(basename "$dir")-$$"
  echo "$queue" >"$dir/queue"
  printf 'Out %s\n' "$dir/out" >"/etc/cups/cups-pdf-$queue.conf"

  setsid cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" \
    </dev/null >"$dir/log/cupsd.out" 2>&1 &
  echo $! >"$dir/cupsd.pid"

  export CUPS_SERVER="$dir/cups.sock"
  # Ready once it answers (looked for every 0.1 s, 30 s at most).
  for _ in $(seq 300); do
    lpstat -r >/dev/null 2>&1 && break
    sleep 0.1
  done
  lpstat -r >/dev/null || { cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 || true; exit 1; }
  # pdftocairo keeps the text of the page searchable on its way through
  # PostScript (the other renderers lose the Unicode mapping of CJK glyphs).
  lpadmin -p "$queue" -v "cups-pdf:/$queue" -P "$ppd" -E -o pdftops-renderer-default=pdftocairo 2>/dev/null
  lpadmin -d "$queue"
  lpstat -d
}

"$action"
