# Sourced by the Windows scripts: `stage NAME` ends the stage before (printing
# how long it took) and starts the next; `stage ""` ends the last one.
stage_start=$SECONDS
stage() {
  local now=$SECONDS
  [ -z "${stage_name:-}" ] ||
    printf '== %s took %dm%02ds\n' "$stage_name" $(((now - stage_start) / 60)) $(((now - stage_start) % 60))
  stage_name=$1
  stage_start=$now
  [ -z "$stage_name" ] || echo "== $stage_name"
}
