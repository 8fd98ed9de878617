# Writes tools/mutations/NN-name.patch from the (name, file, old text, new
# text) substitutions below, against the current tree: when the code moves,
# edit the texts here and run it again (each old text must occur once).
#   python3 tools/mutations/make_patches.py
import sys, os, difflib
root=os.path.abspath(os.path.join(os.path.dirname(__file__), '..', '..'))
muts=[
 ('king-capture-check', 'play/move.cpp', 'if (mate == 1 || move.captured == OU) {', 'if (mate == 1 || move.captured == SYA) {'),
 ('lower-king-captured-winner', 'play/move.cpp', 'if (out.king_taken_by == UPPER) s.winner = s.upper_turn();', 'if (out.king_taken_by == UPPER) s.winner = s.lower_turn;'),
 ('coin-may-leave-board', 'core/movement.h', '    if (c < 1 || c > 9 || r < 1 || r > 9) return NO_SQUARE;\n', ''),
 ('coin-origin-exception', 'core/movement.h', '    return empty | left_by_the_piece;', '    return empty;'),
 ('pawn-file-rule', 'core/movement.h', '    if (kind == PAWN && own_pawn_on_column) return false;', '    if (kind == PAWN && own_pawn_on_column && side == UPPER) return false;'),
 ('knight-drop-rows', 'core/movement.h', '    return may_stand_unpromoted(side, kind, row);\n}', '    return kind == KNIGHT && side == UPPER ? row <= 8 : may_stand_unpromoted(side, kind, row);\n}'),
 ('silver-steps-straight-back', 'core/movement.h', 'case SILVER: add(-1, 1); add(0, 1); add(1, 1); add(-1, -1); add(1, -1); break;', 'case SILVER: add(-1, 1); add(0, 1); add(1, 1); add(-1, -1); add(0, -1); add(1, -1); break;'),
 ('promotion-zone-from-origin', 'core/movement.h', '    return in_promotion_zone(side, to_row) || in_promotion_zone(side, from_row);', '    return in_promotion_zone(side, to_row);'),
 ('knight-forced-promotion-rows', 'core/movement.h', '    if (kind == KNIGHT) return ahead >= 2;', '    if (kind == KNIGHT) return side == UPPER ? ahead >= 2 : ahead >= 1;'),
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
 ('eval-check-backed-by-dragon', 'engine/evaluate.cpp', 'CHECK_BACKED_BY_DRAGON{"check_backed_by_dragon", 900}', 'CHECK_BACKED_BY_DRAGON{"check_backed_by_dragon", 899}'),
 ('eval-beside-king-before-rook', 'engine/evaluate.cpp', 'BESIDE_KING_BEFORE_ROOK{"beside_king_before_rook", -1}', 'BESIDE_KING_BEFORE_ROOK{"beside_king_before_rook", -2}'),
 ('eval-knight-fork', 'engine/evaluate.cpp', 'KNIGHT_FORK{"knight_fork", 1}', 'KNIGHT_FORK{"knight_fork", 2}'),
 ('eval-lance-follow', 'engine/evaluate.cpp', 'LANCE_FOLLOW{"lance_follow", 1}', 'LANCE_FOLLOW{"lance_follow", 2}'),
 ('eval-pawn-drop-before-bishop', 'engine/evaluate.cpp', 'PAWN_DROP_BEFORE_BISHOP{"pawn_drop_before_bishop", 30}', 'PAWN_DROP_BEFORE_BISHOP{"pawn_drop_before_bishop", 29}'),
 ('eval-pawn-capture-blocks-bishop', 'engine/evaluate.cpp', 'PAWN_CAPTURE_BLOCKS_BISHOP{"pawn_capture_blocks_bishop", -5}', 'PAWN_CAPTURE_BLOCKS_BISHOP{"pawn_capture_blocks_bishop", -6}'),
 ('eval-pawn-push-lost-cover', 'engine/evaluate.cpp', 'PAWN_PUSH_LOST_COVER{"pawn_push_lost_cover", -1}', 'PAWN_PUSH_LOST_COVER{"pawn_push_lost_cover", -2}'),
 ('eval-knight-opening', 'engine/evaluate.cpp', 'KNIGHT_OPENING_7_3{"knight_opening_7_3", -5}', 'KNIGHT_OPENING_7_3{"knight_opening_7_3", -4}'),
 ('eval-silver-opening', 'engine/evaluate.cpp', 'SILVER_OPENING_7_3{"silver_opening_7_3", 115}', 'SILVER_OPENING_7_3{"silver_opening_7_3", 114}'),
 ('eval-gold-guards-bishop', 'engine/evaluate.cpp', 'GOLD_GUARDS_BISHOP{"gold_guards_bishop", 125}', 'GOLD_GUARDS_BISHOP{"gold_guards_bishop", 124}'),
 ('eval-bishop-leaves-edge', 'engine/evaluate.cpp', 'BISHOP_LEAVES_9_3{"bishop_leaves_9_3", 10}', 'BISHOP_LEAVES_9_3{"bishop_leaves_9_3", 9}'),
 ('eval-rook-leaves-pawn', 'engine/evaluate.cpp', 'ROOK_LEAVES_PAWN{"rook_leaves_pawn", -11}', 'ROOK_LEAVES_PAWN{"rook_leaves_pawn", -10}'),
 ('eval-rook-king-line', 'engine/evaluate.cpp', 'ROOK_KING_LINE{"rook_king_line", 100}', 'ROOK_KING_LINE{"rook_king_line", 99}'),
 ('eval-dragon-leaves-silver', 'engine/evaluate.cpp', 'DRAGON_LEAVES_SILVER{"dragon_leaves_silver", 2}', 'DRAGON_LEAVES_SILVER{"dragon_leaves_silver", 3}'),
 ('eval-dragon-enclosed', 'engine/evaluate.cpp', 'DRAGON_ENCLOSED{"dragon_enclosed", -150}', 'DRAGON_ENCLOSED{"dragon_enclosed", -149}'),
 ('safety-exposed-file', 'engine/safety.cpp', 'sum_ -= 70;', 'sum_ -= 69;'),
 ('safety-king-on-back-rank', 'engine/safety.cpp', 'if (gold_or_silver_in_hand_) sum_ -= 700;', 'if (gold_or_silver_in_hand_) sum_ -= 699;'),
 ('safety-silver-fork', 'engine/safety.cpp', '''computer(c + 1, r + 1) == 0)
            sum_ -= 20;''', '''computer(c + 1, r + 1) == 0)
            sum_ -= 19;'''),
 ('safety-newly-attacked-near-king', 'engine/safety.cpp', 'sum_ += 15;', 'sum_ += 14;'),
 ('safety-knight-jump', 'engine/safety.cpp', 'computer(c - 1, r - 2) == 0) sum_ -= 1;', 'computer(c - 1, r - 2) == 0) sum_ -= 2;'),
 ('safety-rook-cuts-pawn', 'engine/safety.cpp', '''computer(c, r + 1) == 1)
            sum_ -= 5;''', '''computer(c, r + 1) == 1)
            sum_ -= 4;'''),
 ('safety-fork', 'engine/safety.cpp', 'if (fork_targets_ >= 2) sum_ += cheapest_target_;', 'if (fork_targets_ >= 3) sum_ += cheapest_target_;'),
 ('own-king-attacked-once', 'engine/evaluate.cpp', 'if (H(s_.upper_king_col, s_.upper_king_row) >= 1) {', 'if (H(s_.upper_king_col, s_.upper_king_row) >= 2) {'),
 ('eval-drop-penalty', 'engine/evaluate.cpp', 'DROP{"drop", -5}', 'DROP{"drop", -6}'),
 ('mate-checker-two-away-adjacent', 'analysis/mate_test.cpp', 'if (v == CHECKER && std::abs(c - kx) < 2 && std::abs(r - ky) < 2) return 1;', 'if (v == CHECKER && std::abs(c - kx) < 3 && std::abs(r - ky) < 3) return 1;'),
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
