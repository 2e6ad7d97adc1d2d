# Steps through the Windows window's choosers and boxes under wine (sourced after e2e.sh).
# Besides what e2e.sh expects, they need $wine (the wine command, an array) and $window_text
# (the helper that prints a dialog's texts, edit boxes after "edit: ").
# Keys are typed only into a dialog that has the keyboard, and what they did is read back from
# the dialog before going on: a loaded machine delays, splits or joins typed keys.

windows_path() { echo "Z:${1//\//\\}"; }

# The edit boxes' texts of the dialog titled $1, one a line.
edit_texts() { "${wine[@]}" "$window_text" "$1" 2>/dev/null | tr -d '\r' | sed -n 's/^edit: //p'; }

# Waits up to $3 seconds (5) until an edit box of the dialog titled $1 holds exactly $2.
edit_holds() {
  local deadline=$((SECONDS + ${3:-5}))
  until edit_texts "$1" | grep -qxF -- "$2"; do
    [ "$SECONDS" -ge "$deadline" ] && return 1
    sleep 0.2
  done
}

# The open-file dialog: the path typed into its name field, confirmed, then Return.
choose_file() {
  local path attempt
  path=$(windows_path "$2")
  wait_window "$1"
  take_keyboard "$found"
  for attempt in 1 2 3; do
    xdotool key Home shift+End  # a second try replaces the first
    xdotool type --delay 10 "$path"
    edit_holds "$1" "$path" && break
    [ "$attempt" -eq 3 ] && fail "the name field of \"$1\" does not hold $path: $(edit_texts "$1")"
  done
  xdotool key Return
  wait_gone "$1"
}

# The folder browser, by keys: from Desktop down to "/", then each folder by typing its name
# (the tree's type-ahead) and opening it. Wine's browser returns the tree's selection and
# ignores a path typed into its edit box, but that box names the selected folder: each step
# is confirmed there, and typed again when the keys came too slowly or joined the last ones.
choose_folder() {
  local part attempt title="Избор на папка"
  wait_window "$title"
  take_keyboard "$found"
  xdotool key Down Right
  edit_holds "$title" / || fail "the folder browser did not select \"/\": $(edit_texts "$title")"
  IFS=/ read -ra parts <<<"${1#/}"
  for part in "${parts[@]}"; do
    for attempt in 1 2 3; do
      sleep 1.1  # the type-ahead joins keys typed within a second
      xdotool type --delay 30 "$part"
      edit_holds "$title" "$part" && break
      [ "$attempt" -eq 3 ] && fail "the folder browser did not select \"$part\": $(edit_texts "$title")"
    done
    xdotool key Right
  done
  xdotool key Return
  wait_gone "$title"
}

# "Готово!" in the application's box, closed with Return.
confirm_done() {
  wait_window Updatepublisher "${1:-30}"
  take_keyboard "$found"
  xdotool key Return
  wait_gone Updatepublisher
}
