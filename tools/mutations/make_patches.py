# Writes tools/mutations/NN-name.patch from the (name, file, old text, new
# text) substitutions below, against the current tree: when the code moves,
# edit the texts here and run it again (each old text must occur once).
#   python3 tools/mutations/make_patches.py
import sys, os, difflib
root=os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
muts=[
 ('king-capture-check', 'play/input.cpp', 'if (mate == 1 || captured == 950) {', 'if (mate == 1 || captured == 900) {'),
 ('lower-king-captured-winner', 'core/rules.cpp', '''    if (code == -OU) {
        s.winner = s.upper_turn;''', '''    if (code == -OU) {
        s.winner = s.lower_turn;'''),
 ('coin-may-leave-board', 'core/rules.cpp', '        if (!on_board(nc, nr)) return 0;\n', ''),
 ('coin-origin-exception', 'core/rules.cpp', 'if (!(nc == fc && nr == fr) && at(s, nc, nr) != EMPTY) return 0;', 'if (at(s, nc, nr) != EMPTY) return 0;'),
 ('pawn-file-rule', 'core/rules.cpp', "if (piece == -HU && s.lower_pawn_file[static_cast<size_t>(tc)] == 1) return 0;", "if (piece == -HU && s.lower_pawn_file[static_cast<size_t>(tc)] == 2) return 0;"),
 ('knight-drop-rows', 'core/rules.cpp', 'case KEI: return tr <= 7 ? 1 : 0;', 'case KEI: return tr <= 8 ? 1 : 0;'),
 ('silver-steps-straight-back', 'core/rules.cpp', 'case GIN: return std::abs(dc) <= 1 && (dr == 1 || (dr == -1 && dc != 0));', 'case GIN: return std::abs(dc) <= 1 && (dr == 1 || dr == -1);'),
 ('promotion-zone-from-origin', 'core/rules.cpp', 'case -GIN: case -KAKU: case -SYA: yes = tr <= 3 || fr <= 3; break;', 'case -GIN: case -KAKU: case -SYA: yes = tr <= 3; break;'),
 ('knight-forced-promotion-rows', 'core/rules.cpp', 'case -KEI: return to_row <= 2 ? 0 : 1;', 'case -KEI: return to_row <= 1 ? 0 : 1;'),
 ('eval-pawn-before-gold', 'engine/evaluate.cpp', 'PAWN_BEFORE_GOLD{"pawn_before_gold", 0.5}', 'PAWN_BEFORE_GOLD{"pawn_before_gold", 0.6}'),
 ('eval-drop-cost', 'engine/evaluate.cpp', 'DROP{"drop", -5}', 'DROP{"drop", -4}'),
 ('eval-promotion-gain', 'engine/evaluate.cpp', 'PROMOTION{"promotion", 10}', 'PROMOTION{"promotion", 11}'),
 ('eval-check-uncovered', 'engine/evaluate.cpp', 'CHECK_UNCOVERED{"check_uncovered", 10}', 'CHECK_UNCOVERED{"check_uncovered", 9}'),
 ('eval-promoted-minor-capture', 'engine/evaluate.cpp', 'PROMOTED_MINOR_CAPTURE{"promoted_minor_capture", 50}', 'PROMOTED_MINOR_CAPTURE{"promoted_minor_capture", 49}'),
 ('eval-approach', 'engine/evaluate.cpp', 'APPROACH_ALONG_ROWS{"approach_along_rows", 1}', 'APPROACH_ALONG_ROWS{"approach_along_rows", 2}'),
 ('eval-rook-trapped', 'engine/evaluate.cpp', 'ROOK_TRAPPED{"rook_trapped", -35}', 'ROOK_TRAPPED{"rook_trapped", -36}'),
 ('eval-king-boxed-in', 'engine/evaluate.cpp', 'KING_BOXED_IN{"king_boxed_in", -20}', 'KING_BOXED_IN{"king_boxed_in", -19}'),
 ('eval-knight-move', 'engine/evaluate.cpp', 'KNIGHT_MOVE{"knight_move", -0.1}', 'KNIGHT_MOVE{"knight_move", -0.2}'),
 ('eval-lance-quiet-move', 'engine/evaluate.cpp', 'LANCE_QUIET_MOVE{"lance_quiet_move", -0.9}', 'LANCE_QUIET_MOVE{"lance_quiet_move", -0.8}'),
 ('eval-pawn-step', 'engine/evaluate.cpp', 'PAWN_STEP{"pawn_step", -0.1}', 'PAWN_STEP{"pawn_step", -0.2}'),
 ('eval-edge-lance-file', 'engine/evaluate.cpp', 'EDGE_LANCE_FILE{"edge_lance_file", -0.1}', 'EDGE_LANCE_FILE{"edge_lance_file", -0.2}'),
 ('eval-hanging-drop', 'engine/evaluate.cpp', 'HANGING_DROP_EXTRA = 50;', 'HANGING_DROP_EXTRA = 51;'),
 ('eval-mate-by-pawn', 'engine/evaluate.cpp', 'add(m_.placed == HU ? MATE_BY_PAWN : MATE);', 'add(MATE);'),
 ('eval-king-capture-score', 'engine/evaluate.cpp', 'KING_CAPTURE{"king_capture", 9999}', 'KING_CAPTURE{"king_capture", 9990}'),
 ('safety-attacked-square', 'engine/safety.cpp', '            sum_ -= 30;', '            sum_ -= 31;'),
 ('safety-attack-count', 'engine/safety.cpp', 'sum_ -= 0.5 * h;', 'sum_ -= 0.6 * h;'),
]
outdir=os.path.join(root,'tools/mutations')
for f in os.listdir(outdir):
    if f.endswith('.patch'): os.remove(os.path.join(outdir,f))
for i,(name,path,old,new) in enumerate(muts,1):
    text=open(os.path.join(root,path)).read()
    n=text.count(old)
    if n!=1: sys.exit(f'{name}: {n} matches')
    mutated=text.replace(old,new)
    d=difflib.unified_diff(text.splitlines(True), mutated.splitlines(True), 'a/'+path, 'b/'+path, n=2)
    open(os.path.join(outdir,'%02d-%s.patch'%(i,name)),'w').write(''.join(d))
print(len(muts),'patches')
